// The 移调 dialog.
#include "ui/main_window/transpose_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "export/transpose.h"
#include "ui/main_window/transpose_texts.h"

namespace tunelet::ui {

namespace {

constexpr int kMostSemitones = 24; // two octaves either way

QString keyHeader(std::optional<score::Key> key) {
    return QString::fromStdString(key.value_or(score::Key{}).header());
}

} // namespace

TransposeDialog::TransposeDialog(QWidget *parent, std::optional<std::size_t> track,
                                 std::optional<score::Key> key)
    : QDialog(parent), m_track(track), m_key(key) {
    setObjectName(QStringLiteral("transposeDialog"));
    setWindowTitle(texts::kTransposeCaption);
    auto *form = new QFormLayout(this);

    auto *by = new QHBoxLayout;
    m_direction = new QComboBox(this);
    m_direction->setObjectName(QStringLiteral("direction"));
    m_direction->addItems({texts::kTransposeUp, texts::kTransposeDown});
    m_semitones = new QSpinBox(this);
    m_semitones->setObjectName(QStringLiteral("semitones"));
    m_semitones->setRange(1, kMostSemitones);
    m_semitones->setSuffix(texts::kSemitonesSuffix);
    by->addWidget(m_direction);
    by->addWidget(m_semitones, 1);
    form->addRow(texts::kTransposeBy, by);

    auto *what = new QVBoxLayout;
    m_whole = new QRadioButton(texts::kWholeScore, this);
    m_whole->setObjectName(QStringLiteral("wholeScore"));
    m_whole->setChecked(true);
    m_selected =
        new QRadioButton(track ? texts::kOneTrack.arg(*track + 1) : texts::kNoTrackToMove, this);
    m_selected->setObjectName(QStringLiteral("selectedTrack"));
    m_selected->setEnabled(track.has_value());
    m_keyFollows = new QCheckBox(this);
    m_keyFollows->setObjectName(QStringLiteral("keyFollows"));
    m_keyFollows->setChecked(true);
    what->addWidget(m_whole);
    what->addWidget(m_selected);
    what->addWidget(m_keyFollows);
    form->addRow(texts::kTransposeWhat, what);

    auto *buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Horizontal, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_direction, &QComboBox::currentIndexChanged, this, [this] { update(); });
    connect(m_semitones, &QSpinBox::valueChanged, this, [this] { update(); });
    connect(m_whole, &QRadioButton::toggled, this, [this] { update(); });
    update();
}

// The key check box names the key as it would become, and only the whole score moves it.
void TransposeDialog::update() {
    m_keyFollows->setText(texts::kKeyFollows.arg(
        keyHeader(m_key), keyHeader(midi::transposedKey(m_key, semitones()))));
    m_keyFollows->setEnabled(m_whole->isChecked());
}

int TransposeDialog::semitones() const {
    return m_direction->currentIndex() == 1 ? -m_semitones->value() : m_semitones->value();
}

std::optional<std::size_t> TransposeDialog::onlyTrack() const {
    return m_selected->isChecked() ? m_track : std::nullopt;
}

bool TransposeDialog::keyFollows() const {
    return m_whole->isChecked() && m_keyFollows->isChecked();
}

} // namespace tunelet::ui
