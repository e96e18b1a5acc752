// The ISAM library as notecart sees it: loaded with dlopen, texts in Windows-1252.
#include "notecart_fixture.h"

#include "notecart/vmx.h"

#include <sqlite3.h>

#include <QSet>

namespace tavrik::test {
namespace {

using notecart::IsamLibrary;

const QByteArray kAccess = "KQ74PLMNA21F9BB307";

class IsamLibraryTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (std::int32_t& handle : handles)
            Library().close(handle);
    }

    std::int32_t open(const QString& path, std::int16_t expected = VMX_OK,
                      const QByteArray& access = kAccess)
    {
        std::int32_t handle = 0;
        EXPECT_EQ(Library().open(path.toLocal8Bit(), handle, access), expected) << path.toStdString();
        handles.push_back(handle);
        return handle;
    }

    QString logbook()
    {
        return folder.make(QStringLiteral("logbook"), QStringLiteral("log"),
                           "CALL,OPERATOR,NOTES\nK1ABCD,N1OP,\nK1ABC,N1OP,first\nG3AAA,,\n"
                           "K1ABC,W9OP,second\n");
    }

    struct Read {
        std::int16_t status;
        QByteArray key;
        QList<QByteArray> fields;
    };
    Read get(std::int32_t handle, std::int16_t operation, const QByteArray& key = {})
    {
        QByteArray number, keyOut, record;
        const std::int16_t status =
            Library().get(handle, VMX_KEY_CALL_DUPLICATES, operation, key, number, keyOut, record);
        return {status, keyOut, record.split('\0')};
    }

    IsdFolder folder;
    std::vector<std::int32_t> handles;
};

TEST_F(IsamLibraryTest, OpenReportsWhyAFileCannotBeUsed)
{
    const QString log = logbook();
    QFile text(folder.path(QStringLiteral("TEXT.ISD")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is not a database, only some text long enough to look at\n");
    text.close();

    struct Case {
        const char* what;
        QString path;
        QByteArray access;
        std::int16_t status;
    };
    const Case cases[] = {
        {"missing file", folder.path(QStringLiteral("NOSUCH")), kAccess, VMX_FILE_NOT_FOUND},
        {"not a database", folder.path(QStringLiteral("text")), kAccess, VMX_NOT_ISAM_FILE},
        {"access text too short", log, "KQ74", VMX_ACCESS_REFUSED},
        {"path in upper case", log.toUpper(), kAccess, VMX_OK},
        {"the same file again", log, kAccess, VMX_ALREADY_OPEN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open(c.path, c.status, c.access);
    }
}

TEST_F(IsamLibraryTest, CallsignKeyKeepsDuplicatesInRecordOrderAndStopsAtTheCallsign)
{
    const std::int32_t handle = open(logbook());
    QStringList walk;
    for (Read read = get(handle, VMX_GET_NEXT); read.status == VMX_OK; read = get(handle, VMX_GET_NEXT))
        walk << QString::fromLatin1(read.key.replace('\x0B', '#'));
    EXPECT_EQ(walk, QStringList({"G3AAA#3", "K1ABC#2", "K1ABC#4", "K1ABCD#1"}));
    EXPECT_EQ(get(handle, VMX_GET_NEXT).status, VMX_END_OF_FILE);

    EXPECT_EQ(get(handle, VMX_GET_POSITION, "k1abc\x0B").status, VMX_OK);
    const Read first = get(handle, VMX_GET_NEXT_EQUAL, "K1ABC");
    const Read second = get(handle, VMX_GET_NEXT_EQUAL, "K1ABC");
    EXPECT_EQ(first.fields.value(20), "first");
    EXPECT_EQ(second.fields.value(21), "W9OP");
    EXPECT_EQ(second.fields.size(), 66);
    EXPECT_EQ(get(handle, VMX_GET_NEXT_EQUAL, "K1ABC").status, VMX_KEY_NOT_FOUND);
    EXPECT_EQ(get(handle, VMX_GET_POSITION, "W1AW\x0B").status, VMX_KEY_NOT_FOUND);
}

TEST_F(IsamLibraryTest, PutReplacesTheNamedRecordWholeOrNotAtAll)
{
    const QString log = logbook();
    std::int32_t handle = open(log);
    get(handle, VMX_GET_POSITION, "K1ABC\x0B");
    const Read read = get(handle, VMX_GET_NEXT_EQUAL, "K1ABC");
    QList<QByteArray> fields = read.fields;

    struct Case {
        const char* what;
        QByteArray key;
        QByteArray record;
        std::int16_t status;
    };
    fields[20] = QByteArray(2001, 'x');
    const QByteArray tooLong = fields.join('\0');
    fields[20] = "Caf\xe9 \x80 5";
    const QByteArray good = fields.join('\0');
    const Case cases[] = {
        {"note longer than its field", read.key, tooLong, VMX_FIELD_TOO_LONG},
        {"too few fields", read.key, QByteArray("K1ABC\0x", 7), VMX_WRONG_FIELD_COUNT},
        {"key of no record", "K1ABC\x0B" "99", good, VMX_KEY_NOT_FOUND},
        {"callsign with two records", "K1ABC", good, VMX_KEY_NOT_UNIQUE},
        {"the key the read returned", read.key, good, VMX_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Library().put(handle, c.key, c.record, VMX_PUT_UPDATE), c.status);
    }
    Library().close(handle);
    // Windows-1252 in, UTF-8 in the file.
    EXPECT_TRUE(folder.dump(log).contains("K1ABC,,,,,,,,,,,,,,,,,,,,Caf\xc3\xa9 \xe2\x82\xac 5,N1OP,"));
}

TEST_F(IsamLibraryTest, AFileAnotherProgramIsWritingGivesAStatusNotAHang)
{
    const QString log = logbook();
    const std::int32_t handle = open(log);
    const Read read = get(handle, VMX_GET_NEXT);

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((log + QStringLiteral(".ISD")).toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const std::int16_t status = Library().put(handle, read.key, read.fields.join('\0'), VMX_PUT_UPDATE);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    EXPECT_EQ(status, VMX_IN_USE);
    EXPECT_EQ(Library().returnCode(status), QStringLiteral("File is in use by another program"));
    EXPECT_EQ(Library().put(handle, read.key, read.fields.join('\0'), VMX_PUT_UPDATE), VMX_OK);
}

TEST_F(IsamLibraryTest, EveryStatusHasItsOwnTextAndClosingTwiceIsHarmless)
{
    QSet<QString> texts;
    for (std::int16_t status = 0; status <= VMX_EMPTY_KEY; ++status) {
        if (status != 1)
            texts.insert(Library().returnCode(status));
    }
    EXPECT_EQ(texts.size(), VMX_EMPTY_KEY);
    EXPECT_FALSE(texts.contains(Library().returnCode(999)));

    std::int32_t handle = open(logbook());
    EXPECT_EQ(Library().close(handle), VMX_OK);
    EXPECT_EQ(Library().close(handle), VMX_OK);
    EXPECT_EQ(Library().bof(handle, VMX_KEY_CALL), VMX_BAD_HANDLE);
}

} // namespace
} // namespace tavrik::test
