// The numbered-notation window (简谱): the whole score, following every change.
#include "ui/notation/notation_window.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "notation/words_layout.h"
#include "score/score_document.h"
#include "ui/common/file_names.h"
#include "ui/common/line_editor.h"
#include "ui/main_window/track_list_model.h"
#include "ui/main_window/transpose_texts.h"
#include "ui/notation/notation_printing.h"
#include "ui/notation/notation_texts.h"
#include "ui/notation/notation_view.h"
#include "ui/notation/song_dialog.h"
#include "ui/notation/words_bar.h"

namespace tunelet::ui {

namespace {

// The metres the list offers; the song's own is added when it is another.
const char *const kTimeSignatures[] = {"2/4", "3/4", "4/4", "3/8", "6/8", "2/2", "5/4", "12/8"};

QPushButton *button(QWidget *parent, const char *name, const QString &caption) {
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

} // namespace

NotationWindow::NotationWindow(QWidget *owner, NotationSource source)
    : QWidget(owner, Qt::Window), m_source(std::move(source)) {
    setObjectName(QStringLiteral("notation"));
    setWindowTitle(texts::kNotationCaption);
    resize(720, 520);

    auto *column = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    bar->addWidget(new QLabel(texts::kTimeSignatureLabel, this));
    m_time = new QComboBox(this);
    m_time->setObjectName(QStringLiteral("timeSignature"));
    for (const char *time : kTimeSignatures) {
        m_time->addItem(QLatin1String(time));
    }
    m_time->setCurrentText(QStringLiteral("4/4"));
    bar->addWidget(m_time);
    QPushButton *song = button(this, "songProperties", texts::kSongButton);
    song->setAutoDefault(false);
    bar->addWidget(song);
    connect(song, &QPushButton::clicked, this, [this] { editSong(); });
    if (m_source.transpose) {
        QPushButton *transpose = button(this, "transpose", texts::kTransposeItem);
        transpose->setAutoDefault(false);
        bar->addWidget(transpose);
        connect(transpose, &QPushButton::clicked, this, [this] { m_source.transpose(this); });
    }
    if (m_source.undo) {
        auto *undo = new QShortcut(QKeySequence::Undo, this);
        connect(undo, &QShortcut::activated, this, [this] { m_source.undo(); });
    }
    bar->addStretch(1);
    QPushButton *pdf = button(this, "exportPdf", texts::kExportPdf);
    QPushButton *svg = button(this, "exportSvg", texts::kExportSvg);
    QPushButton *printButton = button(this, "print", texts::kPrint);
    for (QPushButton *b : {pdf, svg, printButton}) {
        b->setAutoDefault(false);
        bar->addWidget(b);
    }
    column->addLayout(bar);
    m_wordsBar = new WordsBar(
        this, [this]() -> const score::SongProperties & { return m_source.document->properties(); },
        [this](const score::SongProperties &song) {
            if (m_source.setProperties) {
                m_source.setProperties(song);
                refresh();
            }
        });
    column->addWidget(m_wordsBar);

    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view = new NotationView(scroll);
    m_view->setObjectName(QStringLiteral("view"));
    m_view->setNoteHandler([this](std::size_t part, std::size_t end) { editNote(part, end); });
    scroll->setWidget(m_view);
    buildPractice(column, scroll);
    column->addWidget(scroll, 1);

    m_pdfDialog.filter = texts::kPdfFilter;
    m_pdfDialog.extension = texts::kPdfExtension;
    m_svgDialog.filter = texts::kSvgFilter;
    m_svgDialog.extension = texts::kSvgExtension;
    follow(pdf, svg, printButton);
    refresh();
}

void NotationWindow::follow(QPushButton *pdf, QPushButton *svg, QPushButton *printButton) {
    // Every change of the score, of the line being composed and of the track it would
    // replace redraws at once.
    const auto follow = [this] { refresh(); };
    TrackListModel *model = m_source.model;
    connect(model, &QAbstractItemModel::rowsInserted, this, follow);
    connect(model, &QAbstractItemModel::rowsRemoved, this, follow);
    connect(model, &QAbstractItemModel::dataChanged, this, follow);
    connect(model, &QAbstractItemModel::modelReset, this, follow);
    connect(m_source.editor, &LineEditor::textChanged, this, follow);
    connect(m_source.trackList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            follow);
    connect(m_time, &QComboBox::currentTextChanged, this, &NotationWindow::chooseTime);
    connect(pdf, &QPushButton::clicked, this, [this] { exportPdf(); });
    connect(svg, &QPushButton::clicked, this, [this] { exportSvg(); });
    connect(printButton, &QPushButton::clicked, this, [this] { print(); });
}

bool NotationWindow::event(QEvent *event) {
    if (event->type() == QEvent::Show) {
        refresh(); // a hidden window follows nothing
    }
    return QWidget::event(event);
}

void NotationWindow::chooseTime(const QString &text) {
    const std::optional<score::SongTime> time = score::parseSongTime(text.toStdString());
    if (!time || !m_source.setProperties) {
        return;
    }
    score::SongProperties song = m_source.document->properties();
    if (song.time.value_or(score::SongTime{}) == *time) {
        return;
    }
    song.time = time;
    if (song.pickupTicks >= score::barTicks(song)) {
        song.pickupTicks = 0; // a pickup is shorter than a bar
    }
    m_source.setProperties(song);
    refresh();
}

void NotationWindow::editSong() {
    if (m_source.editSong) {
        m_source.editSong(this);
        refresh();
        return;
    }
    if (!m_source.setProperties) {
        return;
    }
    ui::editSong(this, m_source.document->properties(), m_source.document->lines().size(),
                 [this](const score::SongProperties &song) {
                     m_source.setProperties(song);
                     refresh();
                 });
}

notation::TimeSignature NotationWindow::timeSignature() const {
    return notation::timeSignatureOf(m_source.document->properties());
}

// The line being composed, when it adds anything, takes the selected track's place or
// follows the last track, as submitting it would.
int NotationWindow::editedPart(std::vector<std::string> &lines) const {
    const QModelIndexList selected = m_source.trackList->selectionModel()->selectedRows();
    return placeComposedLine(lines, encodeLine(m_source.editor->text()),
                             selected.isEmpty() ? -1 : selected.first().row());
}

NotationDocument NotationWindow::currentDocument(bool withComposedLine) const {
    std::vector<std::string> lines = m_source.document->lines();
    const int edited = withComposedLine ? editedPart(lines) : -1;
    NotationDocument document;
    document.header = currentHeader();
    document.score = notation::buildScore(lines, timeSignature(), edited, document.header.tonic);
    document.score.partNames = document.header.partNames;
    notation::setWords(document.score, document.header.words);
    return document;
}

NotationHeader NotationWindow::currentHeader() const {
    const score::SongProperties &song = m_source.document->properties();
    NotationHeader header;
    const std::string &file = m_source.document->fileName();
    header.title = !song.title.empty() ? QString::fromStdString(song.title)
                   : file.empty()      ? texts::kUntitled
                                       : QFileInfo(displayName(file)).completeBaseName();
    header.division = m_source.timeIncrement ? m_source.timeIncrement() : 48;
    header.subtitle = QString::fromStdString(song.subtitle);
    header.composer = QString::fromStdString(song.composer);
    header.lyricist = QString::fromStdString(song.lyricist);
    header.tonic = song.key ? song.key->tonic : 0;
    header.partNames = song.partNames;
    header.words = song.words;
    return header;
}

void NotationWindow::refresh() {
    // The list shows the song's metre, whatever changed it (Open, the dialog, an import).
    const notation::TimeSignature metre = timeSignature();
    const QString time = QString::fromStdString(metre.text());
    if (m_time->currentText() != time) {
        const QSignalBlocker quiet(m_time);
        if (m_time->findText(time) < 0) {
            m_time->addItem(time);
        }
        m_time->setCurrentText(time);
    }
    if (metre != m_metre) {
        m_metre = metre;
        emit metreChanged();
    }
    if (!isVisible()) {
        return; // drawn when shown
    }
    // The view keeps the score it shows and lays out again only what the lines changed:
    // a key in a long score costs what the key changed.
    std::vector<std::string> lines = m_source.document->lines();
    const int edited = editedPart(lines);
    m_view->updateScore(lines, timeSignature(), edited, currentHeader());
    followWordsPart(edited);
}

// The words bar edits the words of the part being composed; when none is, those of the
// selected track, or of the first when none is selected.
void NotationWindow::followWordsPart(int edited) {
    const std::vector<notation::Track> &tracks = m_view->score().tracks;
    int part = edited;
    if (part < 0) {
        const QModelIndexList selected = m_source.trackList->selectionModel()->selectedRows();
        part = !selected.isEmpty() ? selected.first().row() : 0;
    }
    if (part < 0 || static_cast<std::size_t>(part) >= tracks.size()) {
        m_wordsBar->setPart(-1, {});
    } else {
        m_wordsBar->setPart(part, tracks[static_cast<std::size_t>(part)]);
    }
}

void NotationWindow::editNote(std::size_t part, std::size_t tokenEnd) {
    LineEditor *ij = m_source.editor;
    QItemSelectionModel *selection = m_source.trackList->selectionModel();
    const int edited = m_view->score().editedPart;
    if (static_cast<int>(part) != edited) {
        // As a double-click on the track: select it and copy it into the editor.
        const QModelIndex row = m_source.model->index(static_cast<int>(part));
        selection->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
        ij->setText(decodeLine(m_source.document->line(part)));
    }
    // Positions in the line count bytes; the editor counts characters.
    const std::string line = encodeLine(ij->text());
    ij->setCursorPosition(
        static_cast<int>(decodeLine(line.substr(0, std::min(tokenEnd, line.size()))).size()));
    ij->window()->activateWindow();
    ij->setFocus();
}

std::optional<QString> NotationWindow::chooseFile(FileDialogState &dialog,
                                                  const QString &extension) {
    if (dialog.lastFileName.isEmpty()) {
        dialog.lastFileName = m_view->header().title + extension;
    }
    const std::optional<QString> chosen = m_source.prompt->saveFile(dialog);
    if (!chosen) {
        return std::nullopt;
    }
    dialog.lastFileName = withExtension(*chosen, extension);
    return dialog.lastFileName;
}

void NotationWindow::exportPdf() {
    if (const std::optional<QString> path = chooseFile(m_pdfDialog, texts::kPdfExtension)) {
        const QString failure = writeNotationPdf(currentDocument(false), *path);
        if (!failure.isEmpty()) {
            m_source.prompt->errorBox(failure, {});
        }
    }
}

void NotationWindow::exportSvg() {
    if (const std::optional<QString> path = chooseFile(m_svgDialog, texts::kSvgExtension)) {
        const QString failure = writeNotationSvg(currentDocument(false), *path);
        if (!failure.isEmpty()) {
            m_source.prompt->errorBox(failure, {});
        }
    }
}

void NotationWindow::print() {
    const QString failure = printNotation(currentDocument(false), this, [this](QDialog &dialog) {
        return m_source.prompt->runDialog(dialog);
    });
    if (!failure.isEmpty()) {
        m_source.prompt->errorBox(failure, {});
    }
}

} // namespace tunelet::ui
