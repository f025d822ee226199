// The numbered-notation view: the texts the user reads in the window, on paper and in files.
#pragma once

#include <QString>

namespace tunelet::ui::texts {

inline const QString kNotationCaption = QStringLiteral("简谱");
inline const QString kNotationItem = QStringLiteral("简谱(&V)");
inline const QString kTimeSignatureLabel = QStringLiteral("拍号：");
inline const QString kExportPdf = QStringLiteral("导出PDF(&D)");
inline const QString kExportSvg = QStringLiteral("导出SVG(&G)");
inline const QString kPrint = QStringLiteral("打印(&P)");
inline const QString kPdfFilter = QStringLiteral("*.pdf|*.pdf|*.*|*.*");
inline const QString kSvgFilter = QStringLiteral("*.svg|*.svg|*.*|*.*");
inline const QString kPdfExtension = QStringLiteral(".pdf");
inline const QString kSvgExtension = QStringLiteral(".svg");

// On the page.
inline const QString kUntitled = QStringLiteral("未命名");
inline const QString kKeyOfC = QStringLiteral("1=C");
inline const QString kVolumeMark = QStringLiteral("力度%1");
inline const QString kDrumsLabel = QStringLiteral("打击乐");
inline const QString kEditingMark = QStringLiteral("编辑中");
inline const QString kPageNumber = QStringLiteral("第 %1 页 / 共 %2 页");
inline const QString kNotationFileFailed = QStringLiteral("无法写入文件“%1”：%2");
inline const QString kNotationOutOfMemory = QStringLiteral("生成文件“%1”时内存不足");

} // namespace tunelet::ui::texts
