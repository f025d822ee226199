// Input palette (Thpf): the bands, the buttons and what each button composes.
#include "ui/palette/input_palette.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <array>

#include "export/token_composer.h"
#include "ui/common/application.h"
#include "ui/common/input_state.h"
#include "ui/common/lazy_icon.h"
#include "ui/common/texts.h"
#include "ui/common/token_inserter.h"
#include "ui/dialogs/dialog_layout.h"

namespace tunelet::ui {

namespace {

// ImageList1 in index order: the digits are the notes and the octave numbers, the
// blocks the beats in numbered notation.
constexpr std::array<const char *, 26> kImageFiles = {
    "digit_1",    "digit_10",   "digit_2",   "digit_3",   "digit_4",   "digit_5",    "digit_6",
    "digit_7",    "digit_8",    "beat_bar1", "beat_bar2", "beat_bar3", "beat_dash1", "beat_dash2",
    "beat_dash3", "beat_block", "beat_dot",  "digit_9",   "digit_0",   "at_sign",    "sharp_1",
    "sharp_2",    "sharp_4",    "sharp_5",   "sharp_6",   "sharp_sign"};

constexpr QSize kButtonSize(23, 22);
constexpr QSize kClientSize(345, 121);
constexpr int kPreviewWidth = 298;
constexpr int kPreviewHeight = 21;

// Beat buttons pp1..pp8 (letters a..h) and octave buttons t0..t10 (letters a..k).
constexpr std::array<int, 8> kBeatImages = {14, 13, 12, 15, 9, 10, 11, 16};
constexpr std::array<int, 11> kOctaveImages = {18, 0, 2, 3, 4, 5, 6, 7, 8, 17, 1};

} // namespace

InputPalette::InputPalette(QWidget *owner, InputState &input, Prompt &prompt)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                         Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_input(input), m_prompt(prompt) {
    setObjectName(QStringLiteral("hpf"));
    setWindowTitle(texts::kPaletteCaption);
    setFont(songFont());
    setFocusPolicy(Qt::NoFocus);
    for (const char *file : kImageFiles) {
        ImageList1 << lazyIcon(QStringLiteral(":/palette/%1.xpm").arg(QLatin1String(file)));
    }

    CoolBar1 = new QWidget(this);
    CoolBar1->setObjectName(QStringLiteral("CoolBar1"));
    auto *rows = new QVBoxLayout(CoolBar1);
    rows->setContentsMargins(1, 1, 1, 1);
    rows->setSpacing(0);
    lle = new QLineEdit(CoolBar1);
    lle->setObjectName(QStringLiteral("lle"));
    lle->setReadOnly(true);
    lle->setFocusPolicy(Qt::NoFocus);
    lle->setFixedSize(kPreviewWidth, kPreviewHeight);
    ToolBar1 = toolBar("ToolBar1");
    ToolBar4 = toolBar("ToolBar4");
    ToolBar2 = toolBar("ToolBar2");
    ToolBar3 = toolBar("ToolBar3");
    buildNotes();
    buildBeatsAndOctaves();
    rows->addWidget(band(texts::kPreviewBand, lle));
    rows->addWidget(band(texts::kNotesBand, ToolBar1));
    rows->addWidget(band(texts::kSharpsBand, ToolBar4));
    rows->addWidget(band(texts::kBeatBand, ToolBar2));
    rows->addWidget(band(texts::kScaleBand, ToolBar3));
    auto *fill = new QVBoxLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(CoolBar1);
    setFixedSize(kClientSize);
    FormCreate();
}

// A band of the cool bar: its caption at the left, its control right of it, and an edge
// so the rows read as bands.
QWidget *InputPalette::band(const QString &caption, QWidget *control) {
    auto *frame = new QFrame(CoolBar1);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Raised);
    auto *row = new QHBoxLayout(frame);
    row->setContentsMargins(3, 0, 1, 0);
    row->setSpacing(4);
    row->addWidget(new QLabel(caption, frame));
    row->addWidget(control);
    row->addStretch(1);
    return frame;
}

QToolBar *InputPalette::toolBar(const char *name) {
    auto *bar = new QToolBar(CoolBar1);
    bar->setObjectName(QLatin1String(name));
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setFixedHeight(kButtonSize.height());
    bar->setContentsMargins(0, 0, 0, 0);
    bar->layout()->setContentsMargins(0, 0, 0, 0);
    bar->layout()->setSpacing(0);
    return bar;
}

// The palette's actions stay unnamed: the tool buttons carry the names, so the main
// menu's pp1..pp8 are not mistaken for the palette's.
QAction *InputPalette::button(QToolBar *bar, const char *name, int image) {
    QAction *action = bar->addAction(ImageList1.at(image), QString());
    QWidget *widget = bar->widgetForAction(action);
    widget->setObjectName(QLatin1String(name));
    widget->setFixedSize(kButtonSize);
    widget->setFocusPolicy(Qt::NoFocus);
    return action;
}

void InputPalette::gap(QToolBar *bar, const char *name) {
    bar->addSeparator()->setObjectName(QLatin1String(name));
}

void InputPalette::buildNotes() {
    struct Note {
        const char *name;
        int image;
        char pitch;
        QToolBar *bar;
    };
    const std::array<Note, 12> notes = {{{"ToolButton1", 0, '1', ToolBar1},
                                         {"ToolButton2", 2, '2', ToolBar1},
                                         {"ToolButton3", 3, '3', ToolBar1},
                                         {"ToolButton4", 4, '4', ToolBar1},
                                         {"ToolButton5", 5, '5', ToolBar1},
                                         {"ToolButton6", 6, '6', ToolBar1},
                                         {"ToolButton7", 7, '7', ToolBar1},
                                         {"ToolButton31", 20, 'v', ToolBar4},
                                         {"ToolButton32", 21, 'w', ToolBar4},
                                         {"ToolButton33", 22, 'x', ToolBar4},
                                         {"ToolButton34", 23, 'y', ToolBar4},
                                         {"ToolButton35", 24, 'z', ToolBar4}}};
    const auto command = [this](QAction *action, auto handler) {
        connect(action, &QAction::triggered, this, [this, handler] { runGuarded(handler); });
    };
    for (const Note &note : notes) {
        if (note.pitch == 'v') {
            gap(ToolBar1, "ToolButton8");
            command(button(ToolBar1, "ToolButton9", 18), [this] { ToolButton9Click(); });
            gap(ToolBar1, "ToolButton29");
            QAction *instrument = button(ToolBar1, "ToolButton30", 19);
            instrument->setToolTip(texts::kInstrumentHint);
            command(instrument, [this] { ToolButton30Click(); });
            gap(ToolBar1, "ToolButton36");
            QAction *volume = button(ToolBar1, "ToolButton37", 25);
            volume->setToolTip(texts::kVolumeHint);
            command(volume, [this] { ToolButton37Click(); });
        }
        const char pitch = note.pitch;
        command(button(note.bar, note.name, note.image), [this, pitch] { noteClick(pitch); });
    }
}

void InputPalette::buildBeatsAndOctaves() {
    // One button of each group is down at any time; a click on it keeps it down.
    m_beats = new QActionGroup(this);
    m_octaves = new QActionGroup(this);
    for (int i = 0; i < 8; ++i) {
        const QByteArray name = "pp" + QByteArray::number(i + 1);
        QAction *action = button(ToolBar2, name.constData(), kBeatImages.at(i));
        action->setCheckable(true);
        m_beats->addAction(action);
        const char beat = static_cast<char>('a' + i);
        connect(action, &QAction::triggered, this, [this, beat] { m_input.beat = beat; });
    }
    for (int i = 0; i <= 10; ++i) {
        const QByteArray name = "t" + QByteArray::number(i);
        QAction *action = button(ToolBar3, name.constData(), kOctaveImages.at(i));
        action->setCheckable(true);
        m_octaves->addAction(action);
        const char octave = static_cast<char>('a' + i);
        connect(action, &QAction::triggered, this, [this, octave] { m_input.octave = octave; });
    }
}

void InputPalette::FormCreate() {
    m_input = InputState{};
    setBeatDown(m_input.beat);
    setOctaveDown(m_input.octave);
}

QAction *letterAction(QActionGroup *group, char letter) {
    return group->actions().value(letter - 'a');
}

void InputPalette::setBeatDown(char beat) {
    if (QAction *action = letterAction(m_beats, beat)) {
        action->setChecked(true);
    }
}

void InputPalette::setOctaveDown(char octave) {
    if (QAction *action = letterAction(m_octaves, octave)) {
        action->setChecked(true);
    }
}

void InputPalette::FormCloseQuery(bool &canClose) {
    canClose = false;
    hide(); // the Tools menu shows it again
}

void InputPalette::closeEvent(QCloseEvent *event) {
    bool canClose = true;
    FormCloseQuery(canClose);
    if (canClose) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool InputPalette::event(QEvent *event) {
    const bool handled = QWidget::event(event);
    // The bottom-right corners of the outer frames meet at the start. The window
    // manager tells the frame only after showing, so the place is set again then.
    if (!m_placed) {
        const bool framed = frameGeometry().size() != size();
        if (event->type() == QEvent::Show && !m_shown) {
            m_shown = true;
            m_placed = framed;
            placeAtOwnersCorner();
        } else if (event->type() == QEvent::Move && m_shown && framed) {
            m_placed = true;
            placeAtOwnersCorner();
        }
    }
    return handled;
}

void InputPalette::placeAtOwnersCorner() {
    const QRect owner = parentWidget()->frameGeometry();
    const QSize outer = frameGeometry().size();
    move(owner.x() + owner.width() - outer.width(), owner.y() + owner.height() - outer.height());
}

bool InputPalette::insert(const QString &token) {
    return m_target != nullptr && insertToken(token, *lle, *m_target, m_prompt);
}

void InputPalette::noteClick(char pitch) {
    const midi::ComposedNote note = midi::composeNote(pitch, m_input.octave, m_input.beat);
    if (note.refused) {
        lle->setText(QString::fromStdString(note.text)); // shown, never inserted
        return;
    }
    if (insert(QString::fromStdString(note.text)) && m_noteInserted) {
        m_noteInserted(note);
    }
}

void InputPalette::ToolButton9Click() {
    insert(QString::fromStdString(midi::composeRest(m_input.beat)));
}

void InputPalette::ToolButton30Click() {
    if (const std::optional<QString> token = chooseProgramToken(*this, m_prompt)) {
        insert(*token);
    }
}

void InputPalette::ToolButton37Click() {
    if (const std::optional<QString> token = chooseVolumeToken(*this, m_prompt)) {
        insert(*token);
    }
}

} // namespace tunelet::ui
