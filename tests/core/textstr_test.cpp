#include "core/errors.h"
#include "core/textcodec.h"
#include "core/textstr.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include "testfiles.h"

using namespace kav;
using kavtest::get;
using kavtest::put;

namespace {

} // namespace

// Every kind of value survives both streams, including the awkward ones.
TEST(TextStream, ValuesRoundTripThroughFileAndMemory)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("values.dat");
    {
        TTextStrFile out(path);
        out.OpenWrite();
        out.WriteInteger("  ", -1);
        out.WriteInteger("", 4294967295LL);
        out.WriteBoolean("    ", true);
        out.WriteBoolean("", false);
        out.WriteChar("  ", QChar('x'));
        out.WriteString("  ", "");
        out.WriteString("  ", "sun;sun");
        out.WriteString("", QString::fromUtf8("Grüße 日本"));
        out.Commit();
    }
    EXPECT_EQ(get(path), QByteArray("  -1\r\n4294967295\r\n    1\r\n0\r\n  x\r\n  \r\n  sun;sun\r\n") +
                                   QString::fromUtf8("Grüße 日本").toUtf8() + "\r\n");
    TTextStrFile in(path);
    in.OpenRead();
    EXPECT_EQ(in.ReadInteger(), -1);
    EXPECT_EQ(in.ReadCardinal(), 4294967295u);
    EXPECT_TRUE(in.ReadBoolean());
    EXPECT_FALSE(in.ReadBoolean());
    EXPECT_EQ(in.ReadString(), "x");
    EXPECT_EQ(in.ReadString(), "");
    EXPECT_EQ(in.ReadString(), "sun;sun");
    EXPECT_EQ(in.ReadString(), QString::fromUtf8("Grüße 日本"));
    EXPECT_TRUE(in.AtEnd());
    EXPECT_THROW(in.ReadLine(), ReadError);

    TTextStrMem mem;
    mem.OpenWrite();
    mem.WriteInteger("  ", -1);
    mem.WriteBoolean("  ", true);
    mem.WriteString("    ", "  padded");
    mem.WriteFloat("", 0.5);
    mem.WriteString("", "");
    EXPECT_EQ(mem.Lines, QStringList({"-1", "1", "  padded", "0.5", ""}));
    mem.OpenRead();
    EXPECT_EQ(mem.ReadInteger(), -1);
    EXPECT_TRUE(mem.ReadBoolean());
    EXPECT_EQ(mem.ReadString(), "  padded");  // the memory stream keeps leading spaces
    EXPECT_EQ(mem.ReadString(), "0.5");
    EXPECT_EQ(mem.ReadString(), "");
    // Past the end: empty lines, and the position stays.
    EXPECT_EQ(mem.ReadLine(), "");
    EXPECT_EQ(mem.Position, 5);
    EXPECT_THROW(mem.ReadInteger(), ReadError);
}

TEST(TextStream, ReadStringQuotingAndTrimmingRules)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("quotes.dat");
    put(path, "    leading gone, trailing kept  \r\n"
                     "  'quoted  '\r\n"
                     "\t'x\r\n"
                     "  'abc\r\n"
                     " \t \r\n"
                     "\tTabbed\r\n"
                     "'\r\n");
    TTextStrFile in(path);
    in.OpenRead();
    EXPECT_EQ(in.ReadString(), "leading gone, trailing kept  ");
    EXPECT_EQ(in.ReadString(), "quoted  ");
    EXPECT_EQ(in.ReadString(), "");         // the last character goes whatever it is
    EXPECT_EQ(in.ReadString(), "ab");
    EXPECT_EQ(in.ReadString(), "");         // blanks only
    EXPECT_EQ(in.ReadString(), "\tTabbed"); // only spaces are skipped when not quoted
    EXPECT_EQ(in.ReadString(), "");
}

TEST(TextStream, IntegerLinesAndTheirErrors)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("ints.dat");
    put(path, "  42 trailing words\r\n\t-7\n12\r-2147483648\r\n\r\nabc\r\n99999999999\r\n");
    TTextStrFile in(path);
    in.OpenRead();
    EXPECT_EQ(in.ReadInteger(), 42);
    EXPECT_EQ(in.ReadInteger(), -7);       // LF alone ends a line
    EXPECT_EQ(in.ReadInteger(), 12);       // so does CR alone
    EXPECT_EQ(in.ReadInteger(), -2147483648);
    try {
        in.ReadInteger();
        FAIL() << "an empty line is not a number";
    } catch (const ReadError& e) {
        EXPECT_EQ(e.line(), 5);
        EXPECT_TRUE(e.message().contains("ints.dat"));
    }
    EXPECT_THROW(in.ReadInteger(), ReadError);
    EXPECT_THROW(in.ReadInteger(), ReadError); // out of range, not wrapped silently

    TTextStrMem mem;
    mem.Lines = {"12", "12 ", "-", "+3"};
    mem.OpenRead();
    EXPECT_EQ(mem.ReadInteger(), 12);
    EXPECT_THROW(mem.ReadInteger(), ReadError); // the whole line must be the number
    EXPECT_THROW(mem.ReadInteger(), ReadError);
    EXPECT_THROW(mem.ReadInteger(), ReadError);
}

// A value with a line break would shift every later line of the file.
TEST(TextStream, LineBreaksInsideValuesDoNotBreakTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("breaks.dat");
    TTextStrFile out(path);
    out.OpenWrite();
    out.WriteString("", "two\r\nlines");
    out.WriteInteger("", 5);
    out.Commit();
    TTextStrFile in(path);
    in.OpenRead();
    EXPECT_EQ(in.ReadString(), "two lines");
    EXPECT_EQ(in.ReadInteger(), 5);
}

TEST(TextStream, OldFilesInAnEightBitCodePageStillRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("legacy.dat");
    put(path, "Caf\xe9 \x80 5\r\n");
    TTextStrFile in(path);
    in.OpenRead();
    EXPECT_EQ(in.ReadString(), QString::fromUtf8("Café € 5"));
}

TEST(TextStream, FailedCommitLeavesNoFileAndSaysWhy)
{
    TTextStrFile out("/nonexistent-folder/x/Card.dat");
    out.OpenWrite();
    out.WriteInteger("", 1);
    try {
        out.Commit();
        FAIL();
    } catch (const UserError& e) {
        EXPECT_TRUE(e.message().contains("/nonexistent-folder/x/Card.dat"));
    }
}
