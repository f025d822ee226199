// Practice bar: the texts the user reads, beside the 简谱 window that shows the bar.
#pragma once

#include <QString>

namespace tunelet::ui::texts {

inline const QString kPracticeBarTitle = QStringLiteral("练习");
inline const QString kPlayFromHere = QStringLiteral("从此处播放");
inline const QString kPlayFromHereTip =
    QStringLiteral("从选中的音符开始播放整首乐曲，之前设置的乐器和音量照样有效（F5）");
inline const QString kPlayFromCaretTip =
    QStringLiteral("从光标处的音符开始播放整首乐曲，之前设置的乐器和音量照样有效（F5）");
inline const QString kLoop = QStringLiteral("循环");
inline const QString kLoopTip =
    QStringLiteral("反复播放选中的乐段（拖动或按住 Shift 点击音符来选择），直到停止（F6）");
inline const QString kSpeed = QStringLiteral("速度");
inline const QString kSpeedTip =
    QStringLiteral("播放速度 25%–200%，播放时也可调整（Ctrl+↓ 减慢，Ctrl+↑ 加快）");
inline const QString kSlower = QStringLiteral("减慢");
inline const QString kFaster = QStringLiteral("加快");
inline const QString kCountIn = QStringLiteral("预备拍");
inline const QString kCountInTip = QStringLiteral("开始播放前先响一小节的拍子（F7）");
inline const QString kMetronome = QStringLiteral("节拍器");
inline const QString kMetronomeTip = QStringLiteral("播放时每一拍响一声，每小节第一拍较响（F8）");
inline const QString kPracticeStop = QStringLiteral("停止");
inline const QString kPracticeStopTip = QStringLiteral("停止练习播放（Shift+F5）");
inline const QString kCurrentBar = QStringLiteral("第 %1 小节");
inline const QString kPracticeTrackError = QStringLiteral("音轨有错误，无法播放！");
inline const QString kPracticeTooManyTracks = QStringLiteral("有%1个音轨，最多允许16个");

} // namespace tunelet::ui::texts
