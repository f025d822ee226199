// Transposition: the texts of the 移调 command, its dialog, the question a change of key
// asks and the undo item, as the user reads them.
#pragma once

#include <QString>

namespace tunelet::ui::texts {

inline const QString kTransposeItem = QStringLiteral("移调(&T)…");
inline const QString kUndoTransposition = QStringLiteral("撤销移调(&U)");

// The 移调 dialog.
inline const QString kTransposeCaption = QStringLiteral("移调");
inline const QString kTransposeUp = QStringLiteral("升高");
inline const QString kTransposeDown = QStringLiteral("降低");
inline const QString kSemitonesSuffix = QStringLiteral(" 个半音");
inline const QString kTransposeBy = QStringLiteral("移动：");
inline const QString kTransposeWhat = QStringLiteral("范围：");
inline const QString kWholeScore = QStringLiteral("整首乐曲(&A)");
inline const QString kOneTrack = QStringLiteral("只移选中的第%1音轨(&P)");
inline const QString kNoTrackToMove = QStringLiteral("只移选中的音轨(&P)");
inline const QString kKeyFollows = QStringLiteral("调随之移动（%1 → %2）");

// A change of key: the notes keep their sound, or their digits.
inline const QString kAskKeyChange =
    QStringLiteral("调从 %1 改为 %2，乐谱中的音符怎样处理？\n\n"
                   "保持音高：音符的声音不变，简谱数字按新调改写。\n"
                   "保持简谱数字：音符%3，简谱数字不变。");
inline const QString kMoveUpBy = QStringLiteral("升高 %1 个半音");
inline const QString kMoveDownBy = QStringLiteral("降低 %1 个半音");
inline const QString kKeepSound = QStringLiteral("保持音高(&K)");
inline const QString kMoveWholeScore = QStringLiteral("全曲移调(&A)");
inline const QString kMoveOneTrack = QStringLiteral("只移第%1音轨(&P)");

// Refusals.
inline const QString kTransposeOutOfRange =
    QStringLiteral("第%1音轨，第%2字节：音符“%3”移调后超出音域（最低 1a，最高 5k），无法移调。");
inline const QString kTransposeFault = QStringLiteral("%1，无法移调。");
inline const QString kNothingToTranspose = QStringLiteral("乐谱中没有可以移调的音符。");

} // namespace tunelet::ui::texts
