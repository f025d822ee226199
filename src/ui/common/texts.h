// Main window: the texts the user reads (captions, questions, notices), in one place.
#pragma once

#include <QString>

namespace tunelet::ui::texts {

// Questions carry the program's name; notices and error boxes the application title.
inline const QString kQuestionTitle = QStringLiteral("Tunelet");
inline const QString kWindowCaption = QStringLiteral("Tunelet");

inline const QString kScoreCaption = QStringLiteral("乐谱");
inline const QString kTrackBand = QStringLiteral("音轨");
inline const QString kSubmit = QStringLiteral("提交(&S)");

inline const QString kStatusCount = QStringLiteral("乐谱：共");
inline const QString kStatusFile = QStringLiteral("个音轨 | 脚本文件为：");

inline const QString kScriptFilter = QStringLiteral("*.TNL|*.TNL|*.*|*.*");
// Open also brings in MIDI files, as new scores.
inline const QString kOpenFilter = QStringLiteral("*.TNL|*.TNL|*.MID|*.MID|*.*|*.*");
inline const QString kMidiFilter = QStringLiteral("*.MID|*.MID|*.*|*.*");
inline const QString kScriptExtension = QStringLiteral(".TNL");
inline const QString kMidiExtension = QStringLiteral(".MID");
// Staff notation for other notation programs.
inline const QString kMusicXmlFilter = QStringLiteral("MusicXML 文件|*.musicxml|*.*|*.*");
inline const QString kMusicXmlExtension = QStringLiteral(".musicxml");
inline const QString kMusicXmlFailed = QStringLiteral("有错误产生，无法导出为MusicXML文件！");

inline const QString kAskChangedSave = QStringLiteral("文件已更改，保存吗？");
inline const QString kAskUnsavedSave = QStringLiteral("文件未保存，是否保存？");
inline const QString kAskNewTrack = QStringLiteral("没有选定的音轨，要新建音轨吗？");
inline const QString kAskUpdateTrack = QStringLiteral("已有选定的音轨，要更新该音轨吗？");
inline const QString kNoTrackSelected = QStringLiteral("没有选中的音轨！");
inline const QString kAskDeleteTrack = QStringLiteral("要删除所选音轨吗？");
inline const QString kAskPlayExport = QStringLiteral("成功生成MIDI文件。要播放吗？");
// Memory ran out: the reason under a file's message, and a command's own text elsewhere.
inline const QString kOutOfMemory = QStringLiteral("内存不足");
inline const QString kOutOfMemoryCommand = QStringLiteral("内存不足，操作未能完成");
inline const QString kAskImportMidi = QStringLiteral("这是MIDI文件，要导入为乐谱吗？");
// Above the import's report, one line per change, as the core words them.
inline const QString kImported = QStringLiteral("MIDI文件已导入为新乐谱（尚未保存）：");
inline const QString kAskImportMusicXml = QStringLiteral("这是MusicXML文件，要导入为乐谱吗？");
inline const QString kImportedMusicXml = QStringLiteral("MusicXML文件已导入为新乐谱（尚未保存）：");

// The line editor's capacity (LineEditor::kCapacity characters).
inline const QString kTrackTooLong = QStringLiteral(
    "这条音轨超过16000000个字符，编辑框容纳不下，无法载入编辑；音轨仍完整保留在乐谱中。");
inline const QString kEditorFull = QStringLiteral("编辑框最多只能容纳16000000个字符，无法再插入。");

// Composition: the line editor's keys, the palette and the settings menus.
inline const QString kNoInstrumentChosen = QStringLiteral("没有选择乐器！");
inline const QString kVolumeCaption = QStringLiteral("设置音量");
inline const QString kTimeIncrementCaption = QStringLiteral("设置时间增量");
inline const QString kPaletteCaption = QStringLiteral("辅助");
inline const QString kInstrumentHint = QStringLiteral("设置乐器");
inline const QString kVolumeHint = QStringLiteral("设置音量");
inline const QString kPreviewBand = QStringLiteral("预览");
inline const QString kNotesBand = QStringLiteral("简谱");
inline const QString kSharpsBand = QStringLiteral("带修饰符的简谱");
inline const QString kBeatBand = QStringLiteral("拍子");
inline const QString kScaleBand = QStringLiteral("音阶");

// Menus: caption with its access key.
inline const QString kMenuFile = QStringLiteral("文件(&F)");
inline const QString kNew = QStringLiteral("新建(&N)");
inline const QString kOpen = QStringLiteral("打开(&O)");
inline const QString kSave = QStringLiteral("保存(&S)");
inline const QString kSaveAs = QStringLiteral("另存为(&A)");
inline const QString kExportMidi = QStringLiteral("导出为&MIDI");
inline const QString kExportMusicXml = QStringLiteral("导出为MusicXML(&L)...");
inline const QString kExit = QStringLiteral("退出(&X)");
inline const QString kMenuEdit = QStringLiteral("编辑(&E)");
inline const QString kInsertTrack = QStringLiteral("插入空白音轨(&I)");
inline const QString kDeleteTrack = QStringLiteral("删除音轨(&D)");
inline const QString kTimeIncrement = QStringLiteral("设置时间增量(&P)");
inline const QString kStaccato = QStringLiteral("断奏(&Z)");
inline const QString kMenuScale = QStringLiteral("音阶(&J)");
inline const QString kMenuBeat = QStringLiteral("拍子(&P)");
inline const QString kMenuTools = QStringLiteral("工具(&T)");
inline const QString kPalette = QStringLiteral("辅助输入(&W)");
inline const QString kAudition = QStringLiteral("试听(&L)");
inline const QString kMenuMedia = QStringLiteral("媒体(&M)");
inline const QString kMediaOpen = QStringLiteral("打开(&K)");
inline const QString kMediaPlay = QStringLiteral("播放(&P)");
inline const QString kMediaStop = QStringLiteral("停止(&O)");
inline const QString kMediaPause = QStringLiteral("暂停(&U)");
inline const QString kMediaClose = QStringLiteral("关闭(&C)");
inline const QString kMenuHelp = QStringLiteral("帮助(&H)");
inline const QString kDocumentation = QStringLiteral("软件文档(&R)");
inline const QString kAbout = QStringLiteral("关于(&A)...");

// Dialogs
inline const QString kChooserCaption = QStringLiteral("乐器选择");
inline const QString kDocumentationCaption = QStringLiteral("软件文档");
inline const QString kAboutCaption = QStringLiteral("关于");
inline const QString kOkButton = QStringLiteral("OK");
inline const QString kCancelButton = QStringLiteral("Cancel");

} // namespace tunelet::ui::texts
