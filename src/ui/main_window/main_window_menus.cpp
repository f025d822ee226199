// Main window (Tmain): the main menu, the tool bars and the pictures they show.
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <array>

#include "playback/media_player.h"
#include "ui/common/application.h"
#include "ui/common/lazy_icon.h"
#include "ui/common/texts.h"
#include "ui/dialogs/about_box.h"
#include "ui/dialogs/documentation_window.h"
#include "ui/dialogs/modal_result.h"
#include "ui/dialogs/value_dialog.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/transpose_texts.h"
#include "ui/notation/notation_texts.h"
#include "ui/palette/input_palette.h"

namespace tunelet::ui {

namespace {

// ImageList1 in index order; the octave numbers run 0, 1, 10, 2, ..., 9 and the beats
// e, f, g, c, b, a, d, h, as the menus pick them by index.
constexpr std::array<const char *, 27> kImageFiles = {
    "new",        "open",       "save",     "export_midi", "insert_track", "delete_track",
    "media_open", "media_play", "octave_0", "octave_1",    "octave_10",    "octave_2",
    "octave_3",   "octave_4",   "octave_5", "octave_6",    "octave_7",     "octave_8",
    "octave_9",   "beat_e",     "beat_f",   "beat_g",      "beat_c",       "beat_b",
    "beat_a",     "beat_d",     "beat_h"};

constexpr int kNoImage = -1;

// A tool button's hint: the item's caption without its access key and its dots
// ("新建(&N)" -> "新建", "导出为&MIDI" -> "导出为MIDI", "关于(&A)..." -> "关于"). Read by
// hand: a regular expression costs its compilation at every item, at start.
QString hintOf(const QString &caption) {
    const QLatin1String dots("...");
    QString hint;
    hint.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size();) {
        const QStringView rest = QStringView(caption).sliced(i);
        if (rest.size() >= 4 && rest[0] == u'(' && rest[1] == u'&' && rest[3] == u')') {
            i += 4; // "(&N)"
        } else if (rest.startsWith(dots)) {
            i += dots.size();
        } else {
            if (rest[0] != u'&') {
                hint += rest[0];
            }
            ++i;
        }
    }
    return hint;
}

} // namespace

QList<QIcon> loadImageList() {
    QList<QIcon> images;
    for (const char *file : kImageFiles) {
        images << lazyIcon(QStringLiteral(":/icons/%1.xpm").arg(QLatin1String(file)));
    }
    return images;
}

QMenu *MainWindow::addMenu(const char *name, const QString &caption) {
    QMenu *menu = menuBar()->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name));
    return menu;
}

QAction *MainWindow::addItem(QMenu *menu, const char *name, const QString &caption, int image,
                             Handler handler, const QKeySequence &shortcut) {
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    action->setToolTip(hintOf(caption));
    if (image != kNoImage) {
        action->setIcon(ImageList1.at(image));
    }
    connectCommand(action, handler);
    return action;
}

void MainWindow::addSeparator(QMenu *menu, const char *name) {
    menu->addSeparator()->setObjectName(QLatin1String(name));
}

void MainWindow::connectCommand(QAction *action, Handler handler) {
    connect(action, &QAction::triggered, this,
            [this, handler] { runGuarded([&] { (this->*handler)(); }); });
}

void MainWindow::buildMenus() {
    using K = QKeySequence;
    QMenu *F1 = addMenu("F1", texts::kMenuFile);
    addItem(F1, "N2", texts::kNew, 0, &MainWindow::N2Click, K(Qt::CTRL | Qt::Key_N));
    addItem(F1, "O1", texts::kOpen, 1, &MainWindow::O1Click, K(Qt::CTRL | Qt::Key_O));
    addItem(F1, "S1", texts::kSave, 2, &MainWindow::S1Click, K(Qt::CTRL | Qt::Key_S));
    addItem(F1, "A1", texts::kSaveAs, kNoImage, &MainWindow::A1Click);
    addItem(F1, "MIDI1", texts::kExportMidi, 3, &MainWindow::MIDI1Click, K(Qt::CTRL | Qt::Key_M));
    addItem(F1, "XML1", texts::kExportMusicXml, kNoImage, &MainWindow::XML1Click);
    addSeparator(F1, "N1");
    addItem(F1, "X1", texts::kExit, kNoImage, &MainWindow::X1Click);

    QMenu *E1 = addMenu("E1", texts::kMenuEdit);
    m_undoAction = addItem(E1, "undo", texts::kUndoTransposition, kNoImage, &MainWindow::undoClick,
                           K(K::Undo));
    m_undoAction->setEnabled(false);
    connect(E1, &QMenu::aboutToShow, this,
            [this] { m_undoAction->setEnabled(canUndoTransposition()); });
    addSeparator(E1, "undoLine");
    addItem(E1, "I1", texts::kInsertTrack, 4, &MainWindow::I1Click);
    addItem(E1, "D1", texts::kDeleteTrack, 5, &MainWindow::D1Click);
    addSeparator(E1, "N3");
    addItem(E1, "P1", texts::kTimeIncrement, kNoImage, &MainWindow::P1Click);
    // The check mark itself is the staccato switch the export reads.
    dz = addItem(E1, "dz", texts::kStaccato, kNoImage, &MainWindow::dzClick);
    dz->setCheckable(true);
    dz->setChecked(true);

    buildScaleAndBeatMenus();

    T1 = addMenu("T1", texts::kMenuTools);
    connect(T1, &QMenu::aboutToShow, this, [this] { runGuarded([&] { T1Click(); }); });
    showT = addItem(T1, "showT", texts::kPalette, kNoImage, &MainWindow::showTMenuClick,
                    K(Qt::CTRL | Qt::Key_W));
    showT->setCheckable(true);
    showT->setChecked(true);
    // Composed notes are heard while this is checked.
    L1 = addItem(T1, "L1", texts::kAudition, kNoImage, &MainWindow::L1Click);
    L1->setCheckable(true);
    L1->setChecked(true);
    addItem(T1, "V1", texts::kNotationItem, kNoImage, &MainWindow::V1Click,
            K(Qt::CTRL | Qt::Key_J));
    addItem(T1, "songProperties", texts::kSongItem, kNoImage, &MainWindow::songPropertiesClick);
    addItem(T1, "transpose", texts::kTransposeItem, kNoImage, &MainWindow::transposeClick);

    QMenu *Media1 = addMenu("Media1", texts::kMenuMedia);
    addItem(Media1, "K1", texts::kMediaOpen, 6, &MainWindow::K1Click);
    addItem(Media1, "P2", texts::kMediaPlay, 7, &MainWindow::P2Click);
    addItem(Media1, "O2", texts::kMediaStop, kNoImage, &MainWindow::O2Click);
    addItem(Media1, "U1", texts::kMediaPause, kNoImage, &MainWindow::U1Click);
    addItem(Media1, "C1", texts::kMediaClose, kNoImage, &MainWindow::C1Click);

    QMenu *H1 = addMenu("H1", texts::kMenuHelp);
    addItem(H1, "R1", texts::kDocumentation, kNoImage, &MainWindow::R1Click);
    addSeparator(H1, "N6");
    addItem(H1, "A2", texts::kAbout, kNoImage, &MainWindow::A2Click);
}

void MainWindow::buildScaleAndBeatMenus() {
    struct Radio {
        const char *name;
        int image;
        Handler handler;
    };
    // The scale items show the octave numbers 0 to 10, the beat items their length.
    static const std::array<Radio, 11> scale = {{{"N01", 8, &MainWindow::N01Click},
                                                 {"N11", 9, &MainWindow::N11Click},
                                                 {"N21", 11, &MainWindow::N21Click},
                                                 {"N31", 12, &MainWindow::N31Click},
                                                 {"N41", 13, &MainWindow::N41Click},
                                                 {"N51", 14, &MainWindow::N51Click},
                                                 {"N61", 15, &MainWindow::N61Click},
                                                 {"N71", 16, &MainWindow::N71Click},
                                                 {"N81", 17, &MainWindow::N81Click},
                                                 {"N91", 18, &MainWindow::N91Click},
                                                 {"N101", 10, &MainWindow::N101Click}}};
    static const std::array<Radio, 8> beat = {{{"pp1", 24, &MainWindow::pp1Click},
                                               {"pp2", 23, &MainWindow::pp2Click},
                                               {"pp3", 22, &MainWindow::pp3Click},
                                               {"pp4", 25, &MainWindow::pp4Click},
                                               {"pp5", 19, &MainWindow::pp5Click},
                                               {"pp6", 20, &MainWindow::pp6Click},
                                               {"pp7", 21, &MainWindow::pp7Click},
                                               {"pp8", 26, &MainWindow::pp8Click}}};
    N4 = addMenu("N4", texts::kMenuScale);
    N5 = addMenu("N5", texts::kMenuBeat);
    connect(N4, &QMenu::aboutToShow, this, [this] { runGuarded([&] { N4Click(); }); });
    connect(N5, &QMenu::aboutToShow, this, [this] { runGuarded([&] { N5Click(); }); });
    const auto fill = [this](QMenu *menu, const auto &items, const char *checked) {
        auto *group = new QActionGroup(menu);
        group->setExclusive(true);
        char letter = 'a';
        for (const Radio &item : items) {
            QAction *action =
                addItem(menu, item.name, QString(QLatin1Char(letter++)), item.image, item.handler);
            action->setCheckable(true);
            action->setChecked(qstrcmp(item.name, checked) == 0);
            group->addAction(action);
        }
        return group;
    };
    m_scaleGroup = fill(N4, scale, "N51");
    m_beatGroup = fill(N5, beat, "pp4");
}

void MainWindow::buildToolBars() {
    const auto button = [](QToolBar *bar, const char *actionName, const char *name) {
        QAction *action = bar->window()->findChild<QAction *>(QLatin1String(actionName));
        bar->addAction(action);
        bar->widgetForAction(action)->setObjectName(QLatin1String(name));
    };
    const auto gap = [](QToolBar *bar, const char *name) {
        bar->addSeparator()->setObjectName(QLatin1String(name));
    };
    button(ToolBar1, "N2", "ToolButton1");
    button(ToolBar1, "O1", "ToolButton2");
    button(ToolBar1, "S1", "ToolButton3");
    gap(ToolBar1, "ToolButton9");
    button(ToolBar1, "MIDI1", "ToolButton4");
    gap(ToolBar1, "ToolButton5");
    button(ToolBar1, "I1", "ToolButton6");
    gap(ToolBar1, "ToolButton8");
    button(ToolBar1, "D1", "ToolButton7");
    for (QToolButton *b : ToolBar1->findChildren<QToolButton *>()) {
        b->setFixedSize(23, 22);
    }

    // ToolBar2's buttons are not flat: a raised media-open button beside the bar.
    auto *ToolButton10 = new QToolButton(ToolBar2);
    ToolButton10->setObjectName(QStringLiteral("ToolButton10"));
    ToolButton10->setDefaultAction(findChild<QAction *>(QStringLiteral("K1")));
    ToolButton10->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolButton10->setFocusPolicy(Qt::NoFocus); // mp1 is the bar's tab stop
    ToolBar2->addWidget(ToolButton10);
    ToolButton10->setAutoRaise(false); // after adding: the tool bar makes its buttons flat
    gap(ToolBar2, "ToolButton11");
    ToolBar2->addWidget(mp1);

    // The tool bars never fold their buttons away: the window is at least as wide as
    // the band row and the menu bar in one line.
    for (QToolBar *bar : {ToolBar1, ToolBar2}) {
        bar->setMinimumWidth(bar->sizeHint().width());
    }
    setMinimumWidth(std::max(menuBar()->sizeHint().width(), minimumSizeHint().width()));
}

} // namespace tunelet::ui

namespace tunelet::ui {

namespace {

constexpr int kHighestTimeIncrement = 384;

} // namespace

void MainWindow::P1Click() {
    ValueDialog dialog(this);
    dialog.setWindowTitle(texts::kTimeIncrementCaption);
    dialog.setMaximum(kHighestTimeIncrement);
    dialog.setPosition(m_timeIncrement);
    if (m_prompt->runDialog(dialog) == kModalOk) {
        setTimeIncrement(static_cast<std::uint16_t>(dialog.position()));
    }
}

void MainWindow::scaleItemClick(char letter) {
    letterAction(m_scaleGroup, letter)->setChecked(true);
    m_input.octave = letter;
    palette().setOctaveDown(letter);
}

void MainWindow::beatItemClick(char letter) {
    letterAction(m_beatGroup, letter)->setChecked(true);
    palette().setBeatDown(letter);
    m_input.beat = letter;
}

// The palette changes the letters without touching the menus; they catch up here.
void MainWindow::N4Click() {
    if (QAction *item = letterAction(m_scaleGroup, m_input.octave)) {
        item->setChecked(true);
    }
}

void MainWindow::N5Click() {
    if (QAction *item = letterAction(m_beatGroup, m_input.beat)) {
        item->setChecked(true);
    }
}

// The palette's close box hides it behind the menu's back: the check catches up here.
void MainWindow::T1Click() {
    showT->setChecked(palette().isVisible());
}

void MainWindow::showTClick() {
    showT->setChecked(!showT->isChecked());
    palette().setVisible(showT->isChecked());
}

// Switching it off and on again also tries a sound output that was missing.
void MainWindow::L1Click() {
    m_auditionFailed = false;
    updateComposing();
}

void MainWindow::R1Click() {
    DocumentationWindow documentation(this);
    m_prompt->runDialog(documentation);
}

void MainWindow::A2Click() {
    AboutBox about(this);
    m_prompt->runDialog(about);
}

} // namespace tunelet::ui
