// Dialogs: the instrument names of the instrument chooser and the text of the
// documentation window, as the user reads them.
#pragma once

#include <QString>
#include <QStringList>

namespace tunelet::ui::texts {

// The General MIDI instruments: a name's index is the program number written into the
// instrument token. Some names keep a space before the bracket or around the digit.
inline const QStringList kInstrumentNames = {
    // 0..7
    QStringLiteral("大钢琴"),
    QStringLiteral("明亮的钢琴"),
    QStringLiteral("电钢琴"),
    QStringLiteral("酒吧钢琴"),
    QStringLiteral("柔和的电钢琴"),
    QStringLiteral("加合唱效果的电钢琴"),
    QStringLiteral("羽管键琴（拨弦古钢琴）"),
    QStringLiteral("科拉维科特琴（击弦古钢琴）"),
    // 8..15
    QStringLiteral("钢片琴"),
    QStringLiteral("钟琴"),
    QStringLiteral("八音盒"),
    QStringLiteral("颤音琴"),
    QStringLiteral("马林巴"),
    QStringLiteral("木琴"),
    QStringLiteral("管钟"),
    QStringLiteral("大扬琴"),
    // 16..23
    QStringLiteral("击杆风琴"),
    QStringLiteral("打击式风琴"),
    QStringLiteral("摇滚风琴"),
    QStringLiteral("教堂风琴"),
    QStringLiteral("簧管风琴"),
    QStringLiteral("手风琴"),
    QStringLiteral("口琴"),
    QStringLiteral("探戈手风琴"),
    // 24..31
    QStringLiteral("尼龙弦吉他"),
    QStringLiteral("钢弦吉他"),
    QStringLiteral("爵士电吉他"),
    QStringLiteral("清音电吉他"),
    QStringLiteral("闷音电吉他"),
    QStringLiteral("加驱动效果的电吉他"),
    QStringLiteral("加失真效果的电吉他"),
    QStringLiteral("吉他和音"),
    // 32..39
    QStringLiteral("大贝司（声学贝司）"),
    QStringLiteral("电贝司（指弹）"),
    QStringLiteral("电贝司（拨片）"),
    QStringLiteral("无品贝司"),
    QStringLiteral("掌击Bass 1"),
    QStringLiteral("掌击Bass 2"),
    QStringLiteral("电子合成Bass 1"),
    QStringLiteral("电子合成Bass 2"),
    // 40..47
    QStringLiteral("小提琴"),
    QStringLiteral("中提琴"),
    QStringLiteral("大提琴"),
    QStringLiteral("低音大提琴"),
    QStringLiteral("弦乐群颤音音色"),
    QStringLiteral("弦乐群拨弦音色"),
    QStringLiteral("竖琴"),
    QStringLiteral("定音鼓"),
    // 48..55
    QStringLiteral("弦乐合奏音色1"),
    QStringLiteral("弦乐合奏音色2"),
    QStringLiteral("合成弦乐合奏音色1"),
    QStringLiteral("合成弦乐合奏音色2"),
    QStringLiteral("人声合唱“啊”"),
    QStringLiteral("人声“嘟”"),
    QStringLiteral("合成人声"),
    QStringLiteral("管弦乐敲击齐奏"),
    // 56..63
    QStringLiteral("小号"),
    QStringLiteral("长号"),
    QStringLiteral("大号"),
    QStringLiteral("加弱音器小号"),
    QStringLiteral("法国号（圆号）"),
    QStringLiteral("铜管组（铜管乐器合奏音色）"),
    QStringLiteral("合成铜管音色1"),
    QStringLiteral("合成铜管音色2"),
    // 64..71
    QStringLiteral("高音萨克斯风"),
    QStringLiteral("次中音萨克斯风"),
    QStringLiteral("中音萨克斯风"),
    QStringLiteral("低音萨克斯风"),
    QStringLiteral("双簧管"),
    QStringLiteral("英国管"),
    QStringLiteral("巴松（大管）"),
    QStringLiteral("单簧管（黑管）"),
    // 72..79
    QStringLiteral("短笛"),
    QStringLiteral("长笛"),
    QStringLiteral("竖笛"),
    QStringLiteral("排箫"),
    QStringLiteral("Bottle Blow"),
    QStringLiteral("日本尺八"),
    QStringLiteral("口哨声"),
    QStringLiteral("奥卡雷那"),
    // 80..87
    QStringLiteral("合成主音1（方波）"),
    QStringLiteral("合成主音2（锯齿波）"),
    QStringLiteral("合成主音3"),
    QStringLiteral("合成主音4"),
    QStringLiteral("合成主音5"),
    QStringLiteral("合成主音6（人声）"),
    QStringLiteral("合成主音7（平行五度）"),
    QStringLiteral("合成主音8（贝司加主音）"),
    // 88..95
    QStringLiteral("合成音色1（新世纪）"),
    QStringLiteral("合成音色2 （温暖）"),
    QStringLiteral("合成音色3"),
    QStringLiteral("合成音色4 （合唱）"),
    QStringLiteral("合成音色5"),
    QStringLiteral("合成音色6 （金属声）"),
    QStringLiteral("合成音色7 （光环）"),
    QStringLiteral("合成音色8"),
    // 96..103
    QStringLiteral("合成效果 1 雨声"),
    QStringLiteral("合成效果 2 音轨"),
    QStringLiteral("合成效果 3 水晶"),
    QStringLiteral("合成效果 4 大气"),
    QStringLiteral("合成效果 5 明亮"),
    QStringLiteral("合成效果 6 鬼怪"),
    QStringLiteral("合成效果 7 回声"),
    QStringLiteral("合成效果 8 科幻"),
    // 104..111
    QStringLiteral("西塔尔（印度）"),
    QStringLiteral("班卓琴（美洲）"),
    QStringLiteral("三昧线（日本）"),
    QStringLiteral("十三弦筝（日本）"),
    QStringLiteral("卡林巴"),
    QStringLiteral("风笛"),
    QStringLiteral("民族提琴"),
    QStringLiteral("山奈"),
    // 112..119
    QStringLiteral("叮当铃"),
    QStringLiteral("Agogo"),
    QStringLiteral("钢鼓"),
    QStringLiteral("木鱼"),
    QStringLiteral("太鼓"),
    QStringLiteral("通通鼓"),
    QStringLiteral("合成鼓"),
    QStringLiteral("铜钹"),
    // 120..127
    QStringLiteral("吉他换把杂音"),
    QStringLiteral("呼吸声"),
    QStringLiteral("海浪声"),
    QStringLiteral("鸟鸣"),
    QStringLiteral("电话铃"),
    QStringLiteral("直升机"),
    QStringLiteral("鼓掌声"),
    QStringLiteral("枪声"),
};

// The documentation window's text, one entry a line; the leading spaces indent the
// continuation lines under the text they continue.
inline const QStringList kDocumentationLines = {
    QStringLiteral("[脚本文件(*.TNL)格式]"),
    QStringLiteral("·1·每一行代表一个音轨"),
    QStringLiteral("·2·音轨总数不得超过16个"),
    QStringLiteral("·3·音轨数据描述方式："),
    QStringLiteral("     [音轨数据][分割符]：分割符可以为任意一个字符，"),
    QStringLiteral("                         系统将不做任何处理，"),
    QStringLiteral("                         Korvel建议以1个空格作为分割符"),
    QStringLiteral("·4·音轨数据描述："),
    QStringLiteral("     ·1·发音：njc ：n为[1..7，v..z]代表12个音"),
    QStringLiteral("                      j为[a..k]代表11个由低到高的音阶"),
    QStringLiteral("                      c为[a..h]代表8个节拍，依次为4拍、3拍、2拍、"),
    QStringLiteral("                               1拍、1/2拍、1/4拍、1/8拍、3/2拍"),
    QStringLiteral("     ·2·停顿：0c ：c为[a..h]代表8个节拍，依次为4拍、3拍、2拍、"),
    QStringLiteral("                              1拍、1/2拍、1/4拍、1/8拍、3/2拍"),
    QStringLiteral("     ·3·选用乐器：@xxx ：xxx为[0..127]代表128个乐器"),
    QStringLiteral("     ·4·设置音量：#xxx ：xxx为[0..255]代表255级音量"),
};

} // namespace tunelet::ui::texts
