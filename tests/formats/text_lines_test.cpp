#include "formats/text_lines.h"
#include "formats/whole_file.h"
#include "support/demo_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

struct Line {
    int32_t number;
    bool controlByte;
    std::vector<std::string> words;
    bool operator==(const Line&) const = default;
};

std::vector<Line> linesOf(const std::string& text) {
    std::vector<Line> lines;
    TextLineReader reader{text.data(), text.size()};
    TextLine line;
    while (readTextLine(reader, line))
        lines.push_back({line.number, line.controlByte, line.words});
    return lines;
}

TEST(TextLines, CrlfAndLfGiveTheSameLines) {
    const std::vector<Line> expected = {
        {1, false, {}}, {2, false, {"track", "a"}}, {3, false, {"0:1:0", "1", "linear"}},
        {4, false, {}}, {5, false, {"last"}},
    };
    EXPECT_EQ(linesOf("# head\ntrack a # why\n \t0:1:0\t1  linear\n\nlast"), expected);
    EXPECT_EQ(linesOf("# head\r\ntrack a # why\r\n \t0:1:0\t1  linear\r\n\r\nlast"), expected);
    // A final line break adds no empty line; a CR closing the text is a line end too.
    EXPECT_EQ(linesOf("# head\ntrack a # why\n \t0:1:0\t1  linear\n\nlast\n"), expected);
    EXPECT_EQ(linesOf("# head\ntrack a # why\n \t0:1:0\t1  linear\n\nlast\r"), expected);
    EXPECT_TRUE(linesOf("").empty());
    EXPECT_EQ(linesOf("\n"), (std::vector<Line>{{1, false, {}}}));
    // A comment may start inside a word.
    EXPECT_EQ(linesOf("a#b c\n"), (std::vector<Line>{{1, false, {"a"}}}));
}

TEST(TextLines, ControlBytesRefuseTheirLineOnly) {
    using namespace std::string_literals;
    for (const std::string& bad :
         {"x\ry"s, "x\rz\r"s, "x\0y"s, "x\x7fy"s, "x\x1b"s, "x # \f"s, "x\r\r"s}) {
        const std::vector<Line> lines = linesOf("a\n" + bad + "\nb c\r\n");
        const std::vector<Line> expected = {
            {1, false, {"a"}}, {2, true, {}}, {3, false, {"b", "c"}}};
        EXPECT_EQ(lines, expected) << "line 2: " << bad;
    }
    // Bytes above 0x7f are text.
    EXPECT_EQ(linesOf("\xc3\xa9t\xc3\xa9"), (std::vector<Line>{{1, false, {"\xc3\xa9t\xc3\xa9"}}}));
}

TEST(TextLines, ProblemsNameFileAndLine) {
    EXPECT_EQ(textProblem("show.tracks", 12, "row %d is %s", 7, "late"),
              "show.tracks:12: row 7 is late");
    const std::string longWord(5000, 'w');
    EXPECT_EQ(textProblem("f", 1, "%s", longWord.c_str()), "f:1: " + longWord);
}

TEST(TextFile, ReadsBytesAsTheyAreOrNamesTheProblem) {
    TempFolder folder;
    const std::string path = folder.file("t.txt");
    const std::string bytes("a\r\n\0b\xff", 6);
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);

    std::string text = "old", problem = "old";
    ASSERT_EQ(readTextFile(path.c_str(), text, problem), 0) << problem;
    EXPECT_EQ(text, bytes);
    EXPECT_EQ(problem, "");

    EXPECT_EQ(readTextFile(path.c_str(), text, problem, 5), 1);
    EXPECT_EQ(problem, "larger than 5 bytes");
    EXPECT_EQ(text, "");
    EXPECT_EQ(readTextFile(folder.file("missing.txt").c_str(), text, problem), 1);
    EXPECT_EQ(problem, "cannot open: No such file or directory");
    EXPECT_EQ(readTextFile(folder.file("").c_str(), text, problem), 1);
    EXPECT_EQ(problem, "not a regular file");
}

TEST(WholeFile, WritesInPlaceAndRefusesWhatItCannotRead) {
    TempFolder folder;
    const std::string path = folder.file("w.txt");
    std::string text, problem, reason;
    ASSERT_EQ(writeWholeFile(path.c_str(), "longer text", reason), fileWritten) << reason;
    ASSERT_EQ(writeWholeFile(path.c_str(), std::string("x\0", 2), reason), fileWritten);
    ASSERT_EQ(readTextFile(path.c_str(), text, problem), 0) << problem;
    EXPECT_EQ(text, std::string("x\0", 2));

    EXPECT_EQ(writeWholeFile(folder.file("none/w.txt").c_str(), "x", reason), fileNotCreated);
    EXPECT_EQ(reason, "No such file or directory");
    // A FIFO is refused at once rather than waited on.
    const std::string fifo = folder.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(readTextFile(fifo.c_str(), text, problem), 1);
    EXPECT_EQ(problem, "not a regular file");
}

} // namespace
