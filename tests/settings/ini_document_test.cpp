#include "settings/ini_document.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

TEST(IniDocument, ReadsWithTheProfileRules)
{
    const QByteArray file = "[frmTavrik Settings]\n"
                            "Sidetone=ON\n"
                            "TextBox Backcolor = 123 \n"
                            "  Equation =a=b\n"
                            "\tPadded\t=\t two words \t\n"
                            "Spaces = \t\xA0\x0B\x0Cvalue\x0C\x0B\xA0\t \n"
                            "Empty=\n"
                            ";Comment=skip\n"
                            "Twice=first\n"
                            "twice=second\n"
                            "[ WinKey Settings ]\n"
                            "WinKey Sidetone=True\n"
                            "[frmtavrik settings]\n"
                            "Late=hidden by the first section of that name\n"
                            "[Gr\xC3\xB6\xC3\x9F" "e]\n"
                            "\xC3\x84rger=1\n";
    const IniDocument doc = IniDocument::Parse("\xEF\xBB\xBF" + file);
    const struct {
        const char* section;
        const char* key;
        std::optional<QString> expected;
    } cases[] = {
        {"FrmTavrik Settings", "SideTone", U("ON")},
        {"FRMTAVRIK SETTINGS", "TextBox BackColor", U("123")},
        {"FrmTavrik Settings", "Equation", U("a=b")},
        {"FrmTavrik Settings", "Padded", U("two words")},
        // Only blanks are trimmed: a no-break space, VT and FF are part of the value.
        {"FrmTavrik Settings", "Spaces", U("\u00A0\u000B\u000Cvalue\u000C\u000B\u00A0")},
        {"FrmTavrik Settings", "Empty", U("")},
        {"FrmTavrik Settings", "Twice", U("first")},
        {"WinKey Settings", "WinKey SideTone", U("True")},
        {"FrmTavrik Settings", "Missing", std::nullopt},
        {"FrmTavrik Settings", ";Comment", std::nullopt},
        {"FrmTavrik Settings", "WinKey Sidetone", std::nullopt}, // another section's key
        {"FrmTavrik Settings", "Late", std::nullopt},
        {"No Such Section", "Sidetone", std::nullopt},
        // Letter case beyond ASCII matches too; "ss" is another name than "\u00DF".
        {"GR\xC3\x96\xC3\x9F" "E", "\xC3\xA4RGER", U("1")},
        {"GR\xC3\x96SSE", "\xC3\xA4rger", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(doc.value(U(c.section), U(c.key)), c.expected) << c.section << " / " << c.key;
}

TEST(IniDocument, WritesInPlaceAtTheSectionEndOrTheFileEnd)
{
    const struct {
        const char* before;
        const char* section;
        const char* key;
        const char* value;
        const char* after;
    } cases[] = {
        // Replace on its own line, keeping the file's spelling of the key.
        {"[A]\nTextBox Backcolor = 1\nz=2\n[B]\nk=3\n", "a", "TEXTBOX BACKCOLOR", "9",
         "[A]\nTextBox Backcolor=9\nz=2\n[B]\nk=3\n"},
        // A new key goes after the section's last line, before the blank line.
        {"[A]\nk=1\n\n[B]\nk=3\n", "A", "New", "2", "[A]\nk=1\nNew=2\n\n[B]\nk=3\n"},
        {"[A]\n[B]\n", "A", "k", "1", "[A]\nk=1\n[B]\n"},
        // A new section goes at the end; a missing last line break is supplied.
        {"[A]\nk=1", "B", "k", "2", "[A]\nk=1\n[B]\nk=2\n"},
        {"", "Initialized", "Create Date/Time", "x", "[Initialized]\nCreate Date/Time=x\n"},
        // Line endings of another machine stay.
        {"[A]\r\nk=1\r\n", "A", "j", "2", "[A]\r\nk=1\r\nj=2\r\n"},
        {"[A]\r\nk=1\r\n", "A", "k", "", "[A]\r\nk=\r\n"},
        // Bytes that are not UTF-8 are the Windows code page, and stay so.
        {"[A]\r\nname=G\xF6ran\r\n", "A", "city", "Malm\xC3\xB6 \xE2\x82\xAC", "[A]\r\nname=G\xF6ran\r\ncity=Malm\xF6 \x80\r\n"},
        // A character the code page lacks turns the whole file to marked UTF-8 rather than to '?'.
        {"[A]\r\nname=G\xF6ran\r\n", "A", "caption", "\xD0\x9C\xD0\xB8\xD1\x80",
         "\xEF\xBB\xBF[A]\r\nname=G\xC3\xB6ran\r\ncaption=\xD0\x9C\xD0\xB8\xD1\x80\r\n"},
        // Marked UTF-8 stays so; a line typed into it in the code page is read as such.
        {"\xEF\xBB\xBF[A]\nk=\xC3\x85\nold=G\xF6ran\n", "A", "j", "\xC3\xA4",
         "\xEF\xBB\xBF[A]\nk=\xC3\x85\nold=G\xC3\xB6ran\nj=\xC3\xA4\n"},
    };
    for (const auto& c : cases) {
        IniDocument doc = IniDocument::Parse(QByteArray(c.before));
        EXPECT_TRUE(doc.set(U(c.section), U(c.key), U(c.value))) << c.before;
        EXPECT_EQ(doc.serialize(), QByteArray(c.after)) << c.before;
        // Lookups after the change find what a fresh read of the new text finds.
        const IniDocument reread = IniDocument::Parse(QByteArray(c.after));
        for (const char* key : {c.key, "k", "z"}) {
            for (const char* section : {"A", "B"})
                EXPECT_EQ(doc.value(U(section), U(key)), reread.value(U(section), U(key))) << c.before << key;
        }
    }
}

TEST(IniDocument, UnmarkedFileIsTheCodePageWhateverItsBytesAndStaysSo)
{
    // "É»" in the code page happen to be the UTF-8 bytes of "ɻ".
    const QByteArray file = "[A]\r\nMacro #1=CQ DE JOS\xC9\xBB\r\nMacro Caption #1=Jos\xE9\r\n";
    IniDocument doc = IniDocument::Parse(file);
    EXPECT_EQ(doc.encoding(), IniDocument::Encoding::Windows1252);
    EXPECT_EQ(doc.lineEnding(), QStringLiteral("\r\n"));
    EXPECT_EQ(doc.value(U("a"), U("MACRO #1")), U("CQ DE JOSÉ»"));

    ASSERT_TRUE(doc.set(U("A"), U("Macro Caption #1"), U("Jose")));
    const IniDocument reread = IniDocument::Parse(doc.serialize());
    EXPECT_EQ(reread.value(U("A"), U("Macro #1")), U("CQ DE JOSÉ»"));
    EXPECT_EQ(IniDocument::Parse("[A]\nm=JOS\xC9\xBB\n").value(U("A"), U("m")), U("JOSÉ»"));

    const IniDocument marked = IniDocument::Parse("\xEF\xBB\xBF[A]\nm=\xE2\x80\x83" "em\xE2\x80\x83\n");
    EXPECT_EQ(marked.encoding(), IniDocument::Encoding::Utf8);
    EXPECT_EQ(marked.value(U("A"), U("m")), U("\u2003em\u2003"));
}

TEST(IniDocument, RefusesWhatWouldNotStayOneLine)
{
    const QByteArray original = "[A]\nk=1\n";
    const struct {
        const char* section;
        const char* key;
        QString value;
    } cases[] = {
        {"A", "k", U("two\nlines")},
        {"A", "k", U("carriage\rreturn")},
        {"A", "k", U("nul") + QChar(u'\0')},
        {"A", "a=b", U("1")},
        {"A", "[B]", U("1")},
        {"A", " ", U("1")},
        {"A]\n[B", "k", U("1")},
        {"", "k", U("1")},
    };
    for (const auto& c : cases) {
        IniDocument doc = IniDocument::Parse(original);
        EXPECT_FALSE(doc.set(U(c.section), U(c.key), c.value)) << c.key;
        EXPECT_EQ(doc.serialize(), original);
    }
}

} // namespace
} // namespace tavrik
