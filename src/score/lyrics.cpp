// Words under the notes: splitting a verse into syllables and giving them to notes.
#include "score/lyrics.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace tunelet::score {

namespace {

using namespace std::string_view_literals;

// One code point of UTF-8 text with its bytes; a byte that does not start a well-formed
// sequence is a code point of its own (its value above U+10FFFF, so it is "other text").
struct CodePoint {
    char32_t value = 0;
    std::string_view bytes;
};

CodePoint nextCodePoint(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned lead = byte(at);
    std::size_t length = lead < 0x80    ? 1
                         : lead >= 0xF0 ? 4
                         : lead >= 0xE0 ? 3
                         : lead >= 0xC0 ? 2
                                        : 0;
    if (length == 0 || at + length > text.size()) {
        return {0x110000u + lead, text.substr(at, 1)};
    }
    char32_t value = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(at + k) & 0xC0) != 0x80) {
            return {0x110000u + lead, text.substr(at, 1)};
        }
        value = (value << 6) | (byte(at + k) & 0x3F);
    }
    return {value, text.substr(at, length)};
}

// Characters sung one to a note: Chinese characters, kana and hangul syllables.
bool isSyllableCharacter(char32_t c) {
    return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3FFFF) ||
           (c >= 0x3041 && c <= 0x3096) || (c >= 0x30A1 && c <= 0x30FA) ||
           (c >= 0xAC00 && c <= 0xD7AF) || c == 0x3005 || c == 0x3007;
}

bool isSpace(char32_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0x3000;
}

// Marks that open a phrase and stay with the syllable after them.
bool isOpening(char32_t c) {
    static constexpr std::u32string_view kOpening =
        U"([{\"'\u201C\u2018\u300A\u3008\u300C\u300E\u3010\u3014\u3016\uFF08\uFF3B\uFF5B";
    return kOpening.find(c) != std::u32string_view::npos;
}

// Wide punctuation, which stands apart from the characters around it (，。、！？“” ……).
bool isWidePunctuation(char32_t c) {
    return (c >= 0x3001 && c <= 0x3004) || (c >= 0x3008 && c <= 0x3020) ||
           (c >= 0x2010 && c <= 0x2027) || (c >= 0xFF01 && c <= 0xFF0F) ||
           (c >= 0xFF1A && c <= 0xFF20) || (c >= 0xFF3B && c <= 0xFF40) ||
           (c >= 0xFF5B && c <= 0xFF65) || c == 0x00B7;
}

bool isAsciiPunctuation(char32_t c) {
    return c < 0x80 && c > ' ' &&
           !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
}

bool isMark(char32_t c) {
    return c == '_' || c == '*' || c == '~' || c == '-' || c == '\\';
}

class Splitter {
public:
    std::vector<Syllable> split(std::string_view words) {
        for (std::size_t at = 0; at < words.size();) {
            CodePoint point = nextCodePoint(words, at);
            at += point.bytes.size();
            const char32_t c = point.value;
            if (c == '\\' && at < words.size()) {
                point = nextCodePoint(words, at);
                at += point.bytes.size();
                word_.append(point.bytes);
                literal_ = true;
            } else if (isSpace(c)) {
                flushWord(false);
            } else if (c == '_' || c == '*') {
                flushWord(false);
                placeLeftOpening();
                syllables_.push_back(
                    {c == '_' ? Syllable::Kind::Extend : Syllable::Kind::Skip, {}, false});
                join_ = false;
            } else if (c == '~') {
                flushWord(false);
                join_ = true;
            } else if (c == '-') {
                flushWord(false);
                if (Syllable *last = lastText(); last != nullptr && !join_) {
                    last->hyphenAfter = true;
                }
            } else if (isSyllableCharacter(c)) {
                flushWord(true);
                pushText(std::string(point.bytes));
            } else if (isWidePunctuation(c)) {
                flushWord(true);
                if (isOpening(c)) {
                    opening_.append(point.bytes);
                } else {
                    attachClosing(point.bytes);
                }
            } else {
                word_.append(point.bytes);
            }
        }
        flushWord(false);
        placeLeftOpening();
        return std::move(syllables_);
    }

private:
    // Ends the word being read. A word of ASCII punctuation only is a mark of the syllable
    // beside it: an opening one goes with the next when nothing stands between them.
    void flushWord(bool textFollows) {
        std::string word = std::exchange(word_, {});
        const bool literal = std::exchange(literal_, false);
        if (word.empty()) {
            return;
        }
        if (join_) {
            pushText(std::move(word));
            return;
        }
        const bool punctuation = !literal && std::all_of(word.begin(), word.end(), [](char c) {
            return isAsciiPunctuation(static_cast<unsigned char>(c));
        });
        if (!punctuation) {
            pushText(std::move(word));
            return;
        }
        const bool opening = std::all_of(word.begin(), word.end(), [](char c) {
            return isOpening(static_cast<unsigned char>(c));
        });
        if ((opening && textFollows) || lastText() == nullptr) {
            opening_ += word;
        } else {
            attachClosing(word);
        }
    }

    void pushText(std::string text) {
        Syllable *last = lastText();
        if (join_ && last != nullptr && syllables_.back().kind == Syllable::Kind::Text) {
            last->text += opening_ + text;
            opening_.clear();
        } else {
            syllables_.push_back({Syllable::Kind::Text, opening_ + text, false});
            opening_.clear();
        }
        join_ = false;
    }

    // Opening marks left before an extend or skip stay on the page: they go with the
    // syllable before, or stand as their own when there is none.
    void placeLeftOpening() {
        if (opening_.empty()) {
            return;
        }
        if (Syllable *last = lastText()) {
            last->text += opening_;
        } else {
            syllables_.push_back({Syllable::Kind::Text, opening_, false});
        }
        opening_.clear();
    }

    void attachClosing(std::string_view mark) {
        if (Syllable *last = lastText()) {
            last->text.append(mark);
        } else {
            opening_.append(mark); // nothing before it: it goes with the next syllable
        }
    }

    Syllable *lastText() {
        for (auto it = syllables_.rbegin(); it != syllables_.rend(); ++it) {
            if (it->kind == Syllable::Kind::Text) {
                return &*it;
            }
        }
        return nullptr;
    }

    std::vector<Syllable> syllables_;
    std::string word_;
    std::string opening_;
    bool literal_ = false;
    bool join_ = false;
};

// The code points of a syllable's text with what stands before each when it is typed.
std::string typedSyllable(std::string_view text) {
    std::vector<CodePoint> points;
    for (std::size_t at = 0; at < text.size();) {
        points.push_back(nextCodePoint(text, at));
        at += points.back().bytes.size();
    }
    const auto isPunctuation = [](char32_t c) {
        return isAsciiPunctuation(c) || isWidePunctuation(c);
    };
    // Leading opening marks and trailing closing marks find their syllable by themselves,
    // as long as the syllable has something else.
    const bool allPunctuation = std::all_of(points.begin(), points.end(), [&](const CodePoint &p) {
        return isPunctuation(p.value) && !isMark(p.value);
    });
    std::size_t leading = 0;
    std::size_t trailing = points.size();
    if (!allPunctuation) {
        while (leading < points.size() && isOpening(points[leading].value)) {
            ++leading;
        }
        while (trailing > leading && isPunctuation(points[trailing - 1].value) &&
               !isMark(points[trailing - 1].value) && !isOpening(points[trailing - 1].value)) {
            --trailing;
        }
    }
    std::string out;
    bool started = false;        // a syllable has begun: what follows must join it
    bool afterCharacter = false; // the last code point was a syllable character
    for (std::size_t k = 0; k < points.size(); ++k) {
        const char32_t c = points[k].value;
        const bool natural = k < leading || k >= trailing;
        if (natural) {
            out.append(points[k].bytes);
            continue;
        }
        if (isSyllableCharacter(c)) {
            out += started ? "~" : "";
            out.append(points[k].bytes);
            started = true;
            afterCharacter = true;
            continue;
        }
        if (afterCharacter) {
            out += "~";
        }
        // ASCII punctuation inside a word is part of it (don't); a wide mark would stand
        // apart, and a syllable of punctuation only would join its neighbour.
        if (isMark(c) || isSpace(c) || isWidePunctuation(c) ||
            (allPunctuation && isAsciiPunctuation(c))) {
            out += "\\";
        }
        out.append(points[k].bytes);
        started = true;
        afterCharacter = false;
    }
    return out;
}

// The first and the last code point of text; an invalid one (above U+10FFFF) when empty.
char32_t firstCodePoint(std::string_view text) {
    return text.empty() ? 0x110000u : nextCodePoint(text, 0).value;
}

char32_t lastCodePoint(std::string_view text) {
    std::size_t at = text.size();
    while (at > 0 && (static_cast<unsigned char>(text[at - 1]) & 0xC0) == 0x80) {
        --at;
    }
    return at == 0 ? 0x110000u : nextCodePoint(text, at - 1).value;
}

// Scripts written without spaces between words, their punctuation and wide forms included.
bool isWide(char32_t c) {
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF);
}

} // namespace

std::vector<Syllable> splitSyllables(std::string_view words) {
    return Splitter().split(words);
}

std::string joinSyllables(const std::vector<Syllable> &syllables) {
    std::string out;
    bool hyphen = false;
    for (const Syllable &syllable : syllables) {
        std::string typed = syllable.kind == Syllable::Kind::Text     ? typedSyllable(syllable.text)
                            : syllable.kind == Syllable::Kind::Extend ? std::string("_")
                                                                      : std::string("*");
        if (typed.empty()) {
            typed.push_back('*'); // an empty syllable from a file shows nothing under its note
        }
        // Characters follow each other as typed; anything else is set apart.
        if (hyphen) {
            out.push_back('-');
        } else if (!out.empty() && !(isSyllableCharacter(lastCodePoint(out)) &&
                                     isSyllableCharacter(firstCodePoint(typed)))) {
            out.push_back(' ');
        }
        out += typed;
        hyphen = syllable.kind == Syllable::Kind::Text && syllable.hyphenAfter;
    }
    return out;
}

bool startsWide(std::string_view text) {
    return isWide(firstCodePoint(text));
}

bool endsWide(std::string_view text) {
    return isWide(lastCodePoint(text));
}

PlacedSyllables placeSyllables(const std::vector<Syllable> &syllables, std::size_t noteCount) {
    PlacedSyllables placed;
    placed.notes.resize(noteCount);
    std::size_t note = 0;
    bool holding = false; // the note before carries a syllable that can be held
    for (const Syllable &syllable : syllables) {
        if (note == noteCount) {
            placed.unplaced += syllable.kind == Syllable::Kind::Text ? 1 : 0;
            continue;
        }
        NoteSyllable &slot = placed.notes[note++];
        switch (syllable.kind) {
        case Syllable::Kind::Text:
            slot.text = syllable.text;
            slot.hyphenAfter = syllable.hyphenAfter;
            holding = true;
            break;
        case Syllable::Kind::Extend:
            slot.extends = holding;
            break;
        case Syllable::Kind::Skip:
            holding = false;
            break;
        }
    }
    return placed;
}

} // namespace tunelet::score
