// Tests of the note script scanner: one table per token kind, the number conversion, faults.
#include "export/note_script.h"

#include <vector>

#include <gtest/gtest.h>

namespace tunelet::midi {
namespace {

std::vector<Token> scanAll(std::string_view line, LineScanner *out = nullptr) {
    LineScanner scanner(line);
    std::vector<Token> tokens;
    while (auto token = scanner.next()) {
        tokens.push_back(*token);
    }
    if (out != nullptr) {
        *out = scanner;
    }
    return tokens;
}

TEST(NoteToken, PitchOctaveAndDurationTables) {
    const std::string pitches = "1v2w34x5y6z7";
    for (int semitone = 0; semitone < 12; ++semitone) {
        for (int octave = 0; octave <= 10; ++octave) {
            std::string line = {pitches[static_cast<std::size_t>(semitone)],
                                static_cast<char>('a' + octave), 'd'};
            auto tokens = scanAll(line);
            ASSERT_EQ(tokens.size(), 1u) << line;
            EXPECT_EQ(tokens[0].kind, TokenKind::Note);
            EXPECT_EQ(tokens[0].key, 12 * octave + semitone) << line;
        }
    }
    EXPECT_EQ(scanAll("1fd")[0].key, 60);
    EXPECT_EQ(scanAll("5kd")[0].key, 127);
    EXPECT_EQ(scanAll("7kd")[0].key, 131) << "the scanner itself checks no range";
}

TEST(RestToken, DurationsGiveFixedTicksAndDeltaBytes) {
    struct Case {
        char letter;
        int ticks;
        std::string bytes;
    };
    const Case cases[] = {{'a', 192, "\x81\x40"}, {'b', 144, "\x81\x10"}, {'c', 96, "\x60"},
                          {'d', 48, "\x30"},      {'e', 24, "\x18"},      {'f', 12, "\x0C"},
                          {'g', 6, "\x06"},       {'h', 72, "\x48"}};
    for (const Case &c : cases) {
        auto rest = scanAll(std::string("0") + c.letter + "/");
        ASSERT_EQ(rest.size(), 1u) << c.letter;
        EXPECT_EQ(rest[0].kind, TokenKind::Rest);
        EXPECT_EQ(rest[0].ticks, c.ticks) << c.letter;
        EXPECT_EQ(std::string(rest[0].durationBytes), c.bytes) << c.letter;
        auto note = scanAll(std::string("3e") + c.letter);
        EXPECT_EQ(note.at(0).ticks, c.ticks);
    }
}

TEST(ProgramAndVolumeTokens, ValuesAndKinds) {
    auto tokens = scanAll("@005/#100/@127 #000");
    ASSERT_EQ(tokens.size(), 4u);
    EXPECT_EQ(tokens[0].kind, TokenKind::Program);
    EXPECT_EQ(tokens[0].value, 5);
    EXPECT_EQ(tokens[1].kind, TokenKind::Volume);
    EXPECT_EQ(tokens[1].value, 100);
    EXPECT_EQ(tokens[2].value, 127);
    EXPECT_EQ(tokens[3].value, 0);
    EXPECT_EQ(tokens[3].position, 16u);
}

TEST(ConvertTokenNumber, AcceptedForms) {
    const std::pair<std::string_view, int> cases[] = {
        {"080", 80},  {" 12", 12},  {"  7", 7},  {"+50", 50}, {"-01", -1},
        {"$7F", 127}, {"x1a", 26},  {"X1A", 26}, {"0x5", 5},  {"0XF", 15},
        {"$ff", 255}, {"999", 999}, {"12", 12},  {"1", 1},    {"0", 0},
    };
    for (auto [field, value] : cases) {
        EXPECT_EQ(convertTokenNumber(field), value) << field;
    }
}

TEST(ConvertTokenNumber, RejectedForms) {
    for (std::string_view field : {"", "   ", "-", "+", "$", "x", "0x", " 0x", "1 2", "12 ", "1x2",
                                   "$G1", "+-1", "--1", "0x-", "ab", "$ 1", "1a", "\t12"}) {
        EXPECT_EQ(convertTokenNumber(field), std::nullopt) << '"' << field << '"';
    }
}

TEST(LineScanner, SeparatorIsNeverInspected) {
    auto keys = [](std::string_view line) {
        std::vector<int> result;
        for (const Token &t : scanAll(line)) {
            result.push_back(t.key);
        }
        return result;
    };
    const std::vector<int> expected = {60, 62, 64};
    for (std::string_view line : {"1fd 2fd 3fd", "1fd/2fd/3fd/", "1fdX2fdX3fdX",
                                  "1fd\xB2"
                                  "2fd\xB2"
                                  "3fd"}) {
        EXPECT_EQ(keys(line), expected);
    }
    EXPECT_EQ(keys(std::string_view("1fd\0002fd\0003fd", 11)), expected);
    EXPECT_TRUE(scanAll("").empty());
}

TEST(LineScanner, TruncatedNumberTakesTheDigitsThatAreThere) {
    auto tokens = scanAll("1fd/#12");
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[1].value, 12);
}

struct FaultCase {
    std::string line;
    ScanFault fault;
    std::size_t position;
    std::size_t tokenStart;
    std::size_t tokensBefore;
};

void PrintTo(const FaultCase &c, std::ostream *os) {
    *os << ::testing::PrintToString(c.line);
}

class LineScannerFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(LineScannerFault, StopsAtTheFirstBadCharacter) {
    const FaultCase &c = GetParam();
    LineScanner scanner("");
    EXPECT_EQ(scanAll(c.line, &scanner).size(), c.tokensBefore) << c.line;
    EXPECT_EQ(scanner.fault(), c.fault) << c.line;
    EXPECT_EQ(scanner.faultPosition(), c.position) << c.line;
    EXPECT_EQ(scanner.faultTokenStart(), c.tokenStart) << c.line;
    EXPECT_EQ(scanner.next(), std::nullopt) << "nothing after a fault";
}

INSTANTIATE_TEST_SUITE_P(Faults, LineScannerFault,
                         ::testing::Values(FaultCase{"1fd2fd", ScanFault::BadTokenStart, 5, 5, 1},
                                           FaultCase{"1F", ScanFault::BadOctave, 2, 1, 0},
                                           FaultCase{"1Fz", ScanFault::BadOctave, 2, 1, 0},
                                           FaultCase{"1li", ScanFault::BadOctave, 2, 1, 0},
                                           FaultCase{"1fi/", ScanFault::BadDuration, 3, 1, 0},
                                           FaultCase{"1fD", ScanFault::BadDuration, 3, 1, 0},
                                           FaultCase{"0i", ScanFault::BadDuration, 2, 1, 0},
                                           FaultCase{" 1fd", ScanFault::BadTokenStart, 1, 1, 0},
                                           FaultCase{"8fd", ScanFault::BadTokenStart, 1, 1, 0},
                                           FaultCase{"ufd", ScanFault::BadTokenStart, 1, 1, 0},
                                           FaultCase{"\xB2\xE2", ScanFault::BadTokenStart, 1, 1, 0},
                                           FaultCase{"1fd\xB2\xE2", ScanFault::BadTokenStart, 5, 5,
                                                     1},
                                           FaultCase{"1fd/1", ScanFault::TruncatedToken, 6, 5, 1},
                                           FaultCase{"1fd/1f", ScanFault::TruncatedToken, 7, 5, 1},
                                           FaultCase{"0", ScanFault::TruncatedToken, 2, 1, 0},
                                           FaultCase{"@", ScanFault::BadNumber, 2, 1, 0},
                                           FaultCase{"0a/#", ScanFault::BadNumber, 5, 4, 1},
                                           FaultCase{"@1x2/", ScanFault::BadNumber, 2, 1, 0},
                                           FaultCase{"#   /", ScanFault::BadNumber, 2, 1, 0}));

} // namespace
} // namespace tunelet::midi
