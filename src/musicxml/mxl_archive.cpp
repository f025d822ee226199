// MusicXML import: the score inside a compressed .mxl file, a ZIP archive whose
// META-INF/container.xml names the score. The archive is read with libzip from memory.
#include <QString>
#include <QXmlStreamReader>
#include <memory>
#include <zip.h>

#include "musicxml/musicxml_reader.h"
#include "musicxml/musicxml_texts.h"

namespace tunelet::musicxml {

namespace {

struct ArchiveCloser {
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
struct EntryCloser {
    void operator()(zip_file_t *entry) const { zip_fclose(entry); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

std::string text(const char *pattern, const QString &argument) {
    return QString::fromUtf8(pattern).arg(argument).toStdString();
}

// An entry's bytes, up to the limit of a score; nothing when it cannot be read whole.
std::optional<std::string> readEntry(zip_t *archive, zip_int64_t index, std::string &damage,
                                     const QString &name) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, zip_uint64_t(index), 0, &stat) != 0) {
        damage = text(texts::kBadArchive, QString::fromUtf8(zip_strerror(archive)));
        return std::nullopt;
    }
    if ((stat.valid & ZIP_STAT_SIZE) != 0 &&
        stat.size > zip_uint64_t(midi::kMaxMusicXmlFileBytes)) {
        damage = text(texts::kRootFileTooLarge, name);
        return std::nullopt;
    }
    const std::unique_ptr<zip_file_t, EntryCloser> entry(
        zip_fopen_index(archive, zip_uint64_t(index), 0));
    if (!entry) {
        damage = text(texts::kBadArchive, QString::fromUtf8(zip_strerror(archive)));
        return std::nullopt;
    }
    // The size the archive states is not trusted: reading stops at the limit.
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const zip_int64_t n = zip_fread(entry.get(), buffer, sizeof buffer);
        if (n < 0) {
            damage = text(texts::kBadArchive, QString::fromUtf8(zip_file_strerror(entry.get())));
            return std::nullopt;
        }
        if (n == 0) {
            return bytes;
        }
        bytes.append(buffer, std::size_t(n));
        if (bytes.size() > std::size_t(midi::kMaxMusicXmlFileBytes)) {
            damage = text(texts::kRootFileTooLarge, name);
            return std::nullopt;
        }
    }
}

// The first rootfile that is MusicXML (a rootfile without a media type is).
QString rootFile(const std::string &container) {
    QXmlStreamReader xml(QByteArray::fromRawData(container.data(), qsizetype(container.size())));
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"rootfile") {
            const auto type = xml.attributes().value(QLatin1String("media-type"));
            const QString path = xml.attributes().value(QLatin1String("full-path")).toString();
            if (!path.isEmpty() &&
                (type.isEmpty() || type == u"application/vnd.recordare.musicxml+xml")) {
                return path;
            }
        }
    }
    return {};
}

} // namespace

std::optional<std::string> unpackMxl(std::string_view bytes, std::string &damage) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    Archive archive(source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr);
    if (!archive) {
        damage = text(texts::kBadArchive, QString::fromUtf8(zip_error_strerror(&error)));
        zip_error_fini(&error);
        if (source) {
            zip_source_free(source);
        }
        return std::nullopt;
    }
    zip_error_fini(&error);
    const zip_int64_t containerIndex = zip_name_locate(archive.get(), "META-INF/container.xml", 0);
    if (containerIndex < 0) {
        damage = texts::kNoContainer;
        return std::nullopt;
    }
    const std::optional<std::string> container =
        readEntry(archive.get(), containerIndex, damage, QStringLiteral("META-INF/container.xml"));
    if (!container) {
        return std::nullopt;
    }
    const QString path = rootFile(*container);
    if (path.isEmpty()) {
        damage = texts::kNoRootFile;
        return std::nullopt;
    }
    const zip_int64_t index = zip_name_locate(archive.get(), path.toUtf8().constData(), 0);
    if (index < 0) {
        damage = text(texts::kMissingRootFile, path);
        return std::nullopt;
    }
    return readEntry(archive.get(), index, damage, path);
}

} // namespace tunelet::musicxml
