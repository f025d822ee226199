// Main window (Tmain): layout, wiring, the track list and the status line.
#include "ui/main_window/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "playback/media_player.h"
#include "ui/common/application.h"
#include "ui/common/file_names.h"
#include "ui/common/line_editor.h"
#include "ui/common/texts.h"
#include "ui/dialogs/dialog_layout.h"
#include "ui/main_window/band_style.h"
#include "ui/main_window/track_list_model.h"
#include "ui/main_window/track_row_delegate.h"
#include "ui/palette/input_palette.h"

namespace tunelet::ui {

namespace {

constexpr int kButtonWidth = 75; // Button1
constexpr int kBandHeight = 21;  // ToolBar3's buttons
constexpr int kMediaBandHeight = 24;

template <typename T> T *named(T *widget, const char *name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

MainWindow::MainWindow(std::unique_ptr<Prompt> prompt,
                       std::unique_ptr<playback::Sequencer> sequencer, QWidget *parent)
    : QMainWindow(parent), m_model(std::make_unique<TrackListModel>(m_document)),
      m_prompt(std::move(prompt)) {
    setObjectName(QStringLiteral("main"));
    setWindowTitle(texts::kWindowCaption);
    setFont(songFont());
    move(192, 128);
    resize(573, 375);
    setErrorReporter(
        [this](const QString &text, const QString &detail) { m_prompt->errorBox(text, detail); });

    ImageList1 = loadImageList();
    buildLayout(std::move(sequencer));
    buildMenus();
    buildToolBars();
    wire();
    buildPracticeKeys();
    FormCreate();
}

MainWindow::~MainWindow() {
    setErrorReporter(nullptr);
}

bool MainWindow::staccato() const {
    return dz->isChecked();
}

void MainWindow::buildLayout(std::unique_ptr<playback::Sequencer> sequencer) {
    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildCoolBar1(central, std::move(sequencer)));
    column->addWidget(buildScoreBox(central), 1);
    setCentralWidget(central);

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(500);
    m_afterFirstFrame = new QTimer(this);
    m_afterFirstFrame->setSingleShot(true);
    m_afterFirstFrame->setInterval(0);
}

QWidget *MainWindow::buildCoolBar1(QWidget *parent,
                                   std::unique_ptr<playback::Sequencer> sequencer) {
    CoolBar1 = named(new QWidget(parent), "CoolBar1");
    auto *bands = new QHBoxLayout(CoolBar1);
    bands->setContentsMargins(1, 1, 1, 1);
    bands->setSpacing(2);
    ToolBar1 = named(new QToolBar(CoolBar1), "ToolBar1");
    ToolBar2 = named(new QToolBar(CoolBar1), "ToolBar2");
    for (QToolBar *bar : {ToolBar1, ToolBar2}) {
        bar->setIconSize(QSize(16, 16));
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
        // No padding of its own: the band is as high as its buttons, as on a rebar.
        bar->setStyle(bandStyle());
        // A raised edge around each tool bar, so the row reads as two bands.
        auto *band = new QFrame(CoolBar1);
        band->setFrameStyle(QFrame::Panel | QFrame::Raised);
        auto *inside = new QHBoxLayout(band);
        inside->setContentsMargins(1, 1, 1, 1);
        inside->addWidget(bar);
        bands->addWidget(band);
    }
    ToolBar2->setMinimumHeight(kMediaBandHeight);
    bands->addStretch(1);

    mp1 = named(new playback::MediaPlayer(std::move(sequencer), ToolBar2), "mp1");
    // An error of a bar button ends that command and shows in the window's error box.
    mp1->setErrorReporter([](const std::exception &error) { reportError(error); });
    const playback::TButtonSet transport =
        playback::buttonBit(playback::btPlay) | playback::buttonBit(playback::btPause) |
        playback::buttonBit(playback::btStop) | playback::buttonBit(playback::btNext) |
        playback::buttonBit(playback::btPrev) | playback::buttonBit(playback::btStep) |
        playback::buttonBit(playback::btBack);
    mp1->setVisibleButtons(transport);
    mp1->setEnabledButtons(transport);
    mp1->setFixedSize(197, 22);
    return CoolBar1;
}

QWidget *MainWindow::buildScoreBox(QWidget *parent) {
    gb1 = named(new QGroupBox(texts::kScoreCaption, parent), "gb1");
    QPalette navy = gb1->palette();
    navy.setColor(QPalette::WindowText, Qt::darkBlue);
    navy.setColor(QPalette::Text, Qt::darkBlue);
    gb1->setPalette(navy);
    auto *score = new QVBoxLayout(gb1);
    score->setContentsMargins(4, 4, 4, 4);
    score->setSpacing(2);

    CoolBar2 = named(new QWidget(gb1), "CoolBar2");
    auto *band = new QHBoxLayout(CoolBar2);
    band->setContentsMargins(2, 2, 2, 2);
    band->addWidget(new QLabel(texts::kTrackBand, CoolBar2));
    ToolBar3 = named(new QWidget(CoolBar2), "ToolBar3");
    ToolBar3->setFixedHeight(kBandHeight);
    ToolBar3->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    band->addWidget(ToolBar3, 1);
    ij = named(new LineEditor(ToolBar3), "ij");
    ij->setGeometry(0, 0, 441, kBandHeight);
    Button1 = named(new QPushButton(texts::kSubmit, ToolBar3), "Button1");
    Button1->setGeometry(443, 0, kButtonWidth, kBandHeight);

    lp = named(new QListView(gb1), "lp");
    lp->setModel(m_model.get());
    lp->setUniformItemSizes(true);
    lp->setItemDelegate(new TrackRowDelegate(*m_model, lp));
    lp->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    lp->setSelectionMode(QAbstractItemView::SingleSelection);
    lp->setEditTriggers(QAbstractItemView::NoEditTriggers);
    score->addWidget(CoolBar2);
    score->addWidget(lp, 1);
    return gb1;
}

void MainWindow::wire() {
    connect(Button1, &QPushButton::clicked, this, [this] { runGuarded([&] { Button1Click(); }); });
    connect(ij, &LineEditor::textChanged, this, [this] { ijChange(); });
    ij->setKeyHandler([this](QChar k) { runGuarded([&] { ijKeyPress(k); }); });
    ij->setFullHandler([this] { m_prompt->notice(texts::kEditorFull); });
    // Ctrl+Z in ij takes back a transposition made after the last typing, as the latest
    // thing done; otherwise ij's own typing.
    ij->setUndoElsewhere(
        [this] { return canUndoTransposition() && (m_undoIsLatest || !ij->canUndo()); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    connect(m_afterFirstFrame, &QTimer::timeout, this, [this] {
        palette().setVisible(showT->isChecked());
        updateComposing();
    });
    m_inFront = QGuiApplication::applicationState() == Qt::ApplicationActive;
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                m_inFront = state == Qt::ApplicationActive;
                updateComposing();
            });
    lp->viewport()->installEventFilter(this);
    ToolBar3->installEventFilter(this);
    Timer1->start();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched == ToolBar3 && event->type() == QEvent::Resize) {
        FormResize();
    } else if (watched == lp->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        runGuarded([&] { lpDblClick(); });
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::event(QEvent *event) {
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::Paint && !m_firstFrame) {
        // The palette is a window of its own: it is made and shown once the main window's
        // first frame is on the screen, which then comes without waiting for it. A timer,
        // not a posted call: it runs after the window system's events of this frame.
        m_firstFrame = true;
        m_afterFirstFrame->start();
    }
    if (!m_placed && (event->type() == QEvent::Move || event->type() == QEvent::Show)) {
        // 573 x 375 is the outer size, frame included; the window manager tells the
        // frame only once the window is shown, so the size is set when it is known.
        const QSize frame = frameGeometry().size() - size();
        if (!frame.isNull()) {
            m_placed = true;
            resize(QSize(573, 375) - frame);
            if (hpf != nullptr && hpf->isVisible()) {
                hpf->placeAtOwnersCorner();
            }
        }
    }
    return handled;
}

void MainWindow::closeEvent(QCloseEvent *event) {
    bool canClose = false; // stays false when the query ends with an error
    runGuarded([&] { FormCloseQuery(canClose); });
    if (canClose) {
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::setTimeIncrement(std::uint16_t ticks) {
    m_timeIncrement = ticks;
    emit scoreHeaderChanged();
}

void MainWindow::FormCreate() {
    m_document.setFileName({});
    m_timeIncrement = 48;
    m_document.setSaved(true);
    // The palette is shown from the start, right after the window's first frame (event()),
    // and made then: the first frame does not wait for its bands of buttons.
}

InputPalette &MainWindow::palette() {
    if (hpf == nullptr) {
        // The palette composes into ij. Made at start it would set the octave and beat to
        // their defaults; made later it takes over what the menus or keys chose meanwhile.
        const InputState chosen = m_input;
        hpf = new InputPalette(this, m_input, *m_prompt);
        m_input = chosen;
        hpf->setOctaveDown(chosen.octave);
        hpf->setBeatDown(chosen.beat);
        hpf->setTarget(ij);
        hpf->setNoteHandler([this](const midi::ComposedNote &note) { auditionNote(note); });
    }
    return *hpf;
}

void MainWindow::FormResize() {
    const int width = ToolBar3->width();
    Button1->move(width - kButtonWidth - 2, 0);
    ij->resize(width - kButtonWidth - 3, kBandHeight);
}

int MainWindow::selectedRow() const {
    const QModelIndexList rows = lp->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void MainWindow::Button1Click() {
    const int row = selectedRow();
    std::string text = encodeLine(ij->text());
    if (row < 0) {
        if (m_prompt->askYesNo(texts::kAskNewTrack)) {
            m_model->appendLine(std::move(text));
        }
        return;
    }
    // With a track selected every answer changes the score: Yes updates it, No adds.
    if (m_prompt->askYesNo(texts::kAskUpdateTrack)) {
        m_model->replaceLine(row, std::move(text));
    } else {
        m_model->appendLine(std::move(text));
    }
}

void MainWindow::I1Click() {
    m_model->appendLine({});
}

void MainWindow::D1Click() {
    const int row = selectedRow();
    if (row < 0) {
        m_prompt->notice(texts::kNoTrackSelected);
        return;
    }
    if (m_prompt->askYesNo(texts::kAskDeleteTrack)) {
        m_model->deleteLine(row);
        // The view would select the row that moved up into the deleted one's place; the
        // next Delete or Submit must not act on a track the user never picked.
        lp->selectionModel()->clear();
    }
}

void MainWindow::lpDblClick() {
    const int row = selectedRow();
    if (row < 0) {
        return; // nothing to load: a double-click beside the tracks
    }
    const std::string &line = m_document.line(static_cast<std::size_t>(row));
    // A line longer than the editor holds stays in the score as it is; a rough look at
    // its bytes first, so a line of many megabytes is not decoded just to be refused.
    const qsizetype bytes = static_cast<qsizetype>(line.size());
    const QString text = bytes <= 4 * LineEditor::kCapacity ? decodeLine(line) : QString();
    if (bytes > 4 * LineEditor::kCapacity || text.size() > LineEditor::kCapacity) {
        m_prompt->notice(texts::kTrackTooLong);
        return;
    }
    ij->setText(text);
}

void MainWindow::ijChange() {
    m_document.setSaved(false);
    m_undoIsLatest = false;
}

void MainWindow::Timer1Timer() {
    gb1->setTitle(texts::kStatusCount + QString::number(m_document.lineCount()) +
                  texts::kStatusFile + displayName(m_document.fileName()));
}

void MainWindow::X1Click() {
    close();
}

// The check mark was already inverted by the item itself; the export reads it.
void MainWindow::dzClick() {}

} // namespace tunelet::ui
