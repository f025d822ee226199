// The numbered-notation view: the texts the user reads in the window, on paper and in files.
#pragma once

#include <QString>

namespace tunelet::ui::texts {

inline const QString kNotationCaption = QStringLiteral("简谱");
inline const QString kNotationItem = QStringLiteral("简谱(&V)");
inline const QString kTimeSignatureLabel = QStringLiteral("拍号：");
inline const QString kSongButton = QStringLiteral("歌曲属性(&S)…");
inline const QString kExportPdf = QStringLiteral("导出PDF(&D)");
inline const QString kExportSvg = QStringLiteral("导出SVG(&G)");
inline const QString kPrint = QStringLiteral("打印(&P)");
inline const QString kPdfFilter = QStringLiteral("*.pdf|*.pdf|*.*|*.*");
inline const QString kSvgFilter = QStringLiteral("*.svg|*.svg|*.*|*.*");
inline const QString kPdfExtension = QStringLiteral(".pdf");
inline const QString kSvgExtension = QStringLiteral(".svg");

// The song's properties dialog.
inline const QString kSongDialogCaption = QStringLiteral("歌曲属性");
inline const QString kSongItem = QStringLiteral("歌曲属性(&S)…");
inline const QString kSongTitle = QStringLiteral("标题：");
inline const QString kSongSubtitle = QStringLiteral("副标题：");
inline const QString kSongComposer = QStringLiteral("作曲：");
inline const QString kSongLyricist = QStringLiteral("作词：");
inline const QString kSongKey = QStringLiteral("调：");
inline const QString kSongTime = QStringLiteral("拍号：");
inline const QString kSongPickup = QStringLiteral("弱起：");
inline const QString kSongBeat = QStringLiteral("一拍写作：");
inline const QString kSongPartName = QStringLiteral("声部名称 %1：");
inline const QString kUnset = QStringLiteral("（未设）");
inline const QString kPickupBeats = QStringLiteral(" 拍");
inline const QString kBeatQuarter = QStringLiteral("♩ 四分音符");
inline const QString kBeatHalf = QStringLiteral("二分音符");
inline const QString kBeatEighth = QStringLiteral("♪ 八分音符");

// The words bar: a part's words, a verse at a time.
inline const QString kWordsLabel = QStringLiteral("歌词：");
inline const QString kPartWordsLabel = QStringLiteral("声部 %1 歌词：");
inline const QString kVerseItem = QStringLiteral("第%1段");
inline const QString kWordsPlaceholder =
    QStringLiteral("一字一音；英文以空格分开，连字符连接音节；_ 延长一音，* 空过一音");
inline const QString kWordsExtra = QStringLiteral("多出%1个字");

// On the page.
inline const QString kUntitled = QStringLiteral("未命名");
inline const QString kLyricistCredit = QStringLiteral("词：%1");
inline const QString kComposerCredit = QStringLiteral("曲：%1");
inline const QString kVolumeMark = QStringLiteral("力度%1");
inline const QString kDrumsLabel = QStringLiteral("打击乐");
inline const QString kEditingMark = QStringLiteral("编辑中");
inline const QString kPageNumber = QStringLiteral("第 %1 页 / 共 %2 页");
inline const QString kNotationFileFailed = QStringLiteral("无法写入文件“%1”：%2");
inline const QString kNotationOutOfMemory = QStringLiteral("生成文件“%1”时内存不足");

} // namespace tunelet::ui::texts
