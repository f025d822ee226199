// Practice bar (简谱 window): play from the chosen note, loop the chosen passage, the
// speed, count-in and metronome, stop, and the bar being played.
//
//   playFromHere  从此处播放  F5         asks the owner (playFromHereRequested)
//   loop          循环        F6         asks the owner (loopToggled), checkable
//   speed         速度        Ctrl+↓/↑   25%–200%, also while playing
//   countIn       预备拍      F7         checkable, off at first
//   metronome     节拍器      F8         checkable, off at first
//   stopPractice  停止        Shift+F5, enabled while something plays
//   currentBar    第 N 小节    the bar playing, else the bar of the chosen note
//
// The owner knows the notes and the selection; the bar sets the session's speed and
// clicks itself. 循环 is down exactly while the session repeats a passage, however the
// play began or ended.
#pragma once

#include <QToolBar>
#include <cstdint>

class QAction;
class QLabel;
class QSpinBox;

namespace tunelet::ui {

class PracticeSession;

class PracticeBar : public QToolBar {
    Q_OBJECT
public:
    explicit PracticeBar(PracticeSession &session, QWidget *parent = nullptr);

    static constexpr int kSpeedStep = 25; // percent, for the shortcuts

    // The tick of the note chosen to play from: the bar shown while nothing plays.
    void setChosenTick(std::int64_t tick);

signals:
    void playFromHereRequested();
    void loopToggled(bool on);

private:
    void addSpeed();
    QAction *addCommand(const char *name, const QString &text, const QString &tip,
                        const QKeySequence &key);
    static void configure(QAction *action, const char *name, const QString &tip,
                          const QKeySequence &key);
    void showPosition(std::int64_t tick);
    void showState();

    PracticeSession &m_session;
    QAction *m_loop;
    QAction *m_stop;
    QSpinBox *m_speed;
    QLabel *m_currentBar;
    std::int64_t m_chosenTick = 0;
};

} // namespace tunelet::ui
