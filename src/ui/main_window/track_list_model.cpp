// Main window: the track list's model, a view over the score's lines.
#include "ui/main_window/track_list_model.h"

namespace tunelet::ui {

namespace {

// Enough of a line to find a row by typing its start.
constexpr std::size_t kShownBytes = 2048;

} // namespace

QString decodeLine(const std::string &bytes) {
    QStringDecoder decoder("GB18030");
    return decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string encodeLine(const QString &text) {
    QStringEncoder encoder("GB18030");
    const QByteArray bytes = encoder(text);
    return bytes.toStdString();
}

int placeComposedLine(std::vector<std::string> &lines, std::string composed, int selectedRow) {
    if (composed.empty()) {
        return -1;
    }
    if (selectedRow >= 0 && static_cast<std::size_t>(selectedRow) < lines.size()) {
        std::string &track = lines[static_cast<std::size_t>(selectedRow)];
        if (track == composed) {
            return -1;
        }
        track = std::move(composed);
        return selectedRow;
    }
    if (!lines.empty() && lines.back() == composed) {
        return -1;
    }
    lines.push_back(std::move(composed));
    return static_cast<int>(lines.size()) - 1;
}

TrackListModel::TrackListModel(score::ScoreDocument &document, QObject *parent)
    : QAbstractListModel(parent), m_document(document) {}

int TrackListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_document.lineCount());
}

const std::string &TrackListModel::line(int row) const {
    return m_document.line(static_cast<std::size_t>(row));
}

QVariant TrackListModel::data(const QModelIndex &index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    // The head of a long line is enough for a search, and a track of megabytes is not
    // decoded whole for it.
    const std::string &line = m_document.line(static_cast<std::size_t>(index.row()));
    return decodeLine(line.size() <= kShownBytes ? line : line.substr(0, kShownBytes));
}

void TrackListModel::appendLine(std::string text) {
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    m_document.appendLine(std::move(text));
    endInsertRows();
}

void TrackListModel::replaceLine(int row, std::string text) {
    m_document.replaceLine(static_cast<std::size_t>(row), std::move(text));
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

void TrackListModel::deleteLine(int row) {
    if (row < 0 || row >= rowCount()) {
        m_document.deleteLine(static_cast<std::size_t>(row)); // reports the bad index
        return;
    }
    beginRemoveRows(QModelIndex(), row, row);
    m_document.deleteLine(static_cast<std::size_t>(row));
    endRemoveRows();
}

void TrackListModel::clear() {
    beginResetModel();
    m_document.clear();
    endResetModel();
}

void TrackListModel::setLines(std::vector<std::string> lines) {
    beginResetModel();
    m_document.clear();
    for (std::string &line : lines) {
        m_document.appendLine(std::move(line));
    }
    endResetModel();
}

std::vector<std::string> TrackListModel::exchangeLines(std::vector<std::string> lines) {
    std::vector<std::string> before = m_document.exchangeLines(std::move(lines));
    if (rowCount() > 0) {
        emit dataChanged(index(0), index(rowCount() - 1), {Qt::DisplayRole});
    }
    return before;
}

std::vector<score::SongBlockNotice> TrackListModel::load(const std::string &path) {
    // A failed load changes nothing, but the view must hear the reset's end either way.
    struct ResetGuard {
        TrackListModel *model;
        ~ResetGuard() { model->endResetModel(); }
    };
    beginResetModel();
    ResetGuard guard{this};
    return m_document.load(path);
}

} // namespace tunelet::ui
