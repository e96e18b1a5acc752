#include "discseek/cd_drives.h"
#include "discseek/request_table.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace discseek {
namespace {

struct Sequence {
    const char* name;
    std::vector<std::pair<int, int>> records;
    QByteArray drive;
    QByteArray call;
    std::vector<Callbook> lookups;
};

QByteArray Repeated(char c, int count)
{
    return QByteArray(count, c);
}

std::vector<std::pair<int, int>> Characters(const QByteArray& text)
{
    std::vector<std::pair<int, int>> records;
    for (const char c : text)
        records.emplace_back(2, static_cast<unsigned char>(c));
    return records;
}

std::vector<std::pair<int, int>> Then(std::vector<std::pair<int, int>> first, const std::vector<std::pair<int, int>>& more)
{
    first.insert(first.end(), more.begin(), more.end());
    return first;
}

TEST(RequestTable, GathersTheDriveAndTheCallsignAndAsksForLookups)
{
    const Sequence sequences[] = {
        {"qrz lookup", {{1, 'D'}, {2, 'K'}, {2, '1'}, {2, 'A'}, {2, 2}}, "D:", "K1A", {Callbook::Qrz}},
        {"each callbook", {{2, 0}, {2, 1}, {2, 2}}, "", "", {Callbook::Rac, Callbook::HamCall, Callbook::Qrz}},
        {"a later drive replaces", {{1, 'D'}, {2, 'W'}, {1, 'E'}}, "E:", "W", {}},
        {"single-byte codes only", {{2, 0x100 + 'A'}, {2, -65}, {1, 300}, {1, 0}, {2, 0xE9}}, "", "\xE9", {}},
        {"other requests are ignored", {{0, 'A'}, {3, 'A'}, {-1, 2}}, "", "", {}},
        {"capped at 32", Characters(Repeated('A', 40)), "", Repeated('A', 32), {}},
        {"lookups keep the callsign", Then(Then(Characters("K1"), {{2, 1}}), Characters("AB")), "", "K1AB",
         {Callbook::HamCall}},
    };
    for (const Sequence& sequence : sequences) {
        RequestTable table;
        std::vector<Callbook> lookups;
        for (const auto& [wParam, lParam] : sequence.records) {
            if (const auto callbook = table.take(wParam, lParam))
                lookups.push_back(*callbook);
        }
        EXPECT_EQ(table.cdDrive(), sequence.drive) << sequence.name;
        EXPECT_EQ(table.lookupCall(), sequence.call) << sequence.name;
        EXPECT_EQ(lookups, sequence.lookups) << sequence.name;
    }
}

TEST(CdDrives, ReadsTheDrivesSectionIgnoringCase)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Discseek.ini"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Other]\nD=/wrong\n[ drives ]\r\n; a comment\nd = /media/cd one\r\nE:=/mnt/e\nXY=/no\n"
               "F=cd/f/\nG=../g\n");
    file.close();

    const CdDrives drives = CdDrives::load(path);
    EXPECT_EQ(drives.folderFor("D:"), QStringLiteral("/media/cd one"));
    EXPECT_EQ(drives.folderFor("e:"), QStringLiteral("/mnt/e"));
    // Relative folders are found beside the file, whatever folder Discseek runs in.
    EXPECT_EQ(drives.folderFor("F:"), dir.filePath(QStringLiteral("cd/f")));
    EXPECT_EQ(drives.folderFor("G:"), QDir::cleanPath(dir.filePath(QStringLiteral("../g"))));
    EXPECT_EQ(drives.folderFor("H:"), QString());
    EXPECT_EQ(drives.folderFor("D"), QString());
    EXPECT_EQ(CdDrives::load(dir.filePath(QStringLiteral("missing.ini"))).folderFor("D:"), QString());
}

} // namespace
} // namespace discseek
