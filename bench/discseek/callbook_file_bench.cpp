// Lookups on callbook files of growing size through the RAC stand-in library: time and bytes
// read per lookup, which grow with the logarithm of the file, not its size. Files of 40,000 to
// 4,000,000 records (about 3 MB to 330 MB; --records N sets the largest).
#include "discseek/callbook_calls.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

QByteArray Call(long number)
{
    return "A" + QByteArray::number(number).rightJustified(8, '0');
}

// RACCD.DAT of `records` sorted records in `folder`; its size.
qint64 WriteCallbook(const QString& folder, long records)
{
    QByteArray body;
    body.reserve(records * 80);
    for (long i = 0; i < records; ++i)
        body += Call(i) + "\tOperator " + QByteArray::number(i) + "\t" + QByteArray::number(i % 997)
            + " Main Street, Springfield\top" + QByteArray::number(i) + "@example.org\n";
    const QByteArray start = "CALLBOOK 1 " + QByteArray::number(static_cast<qlonglong>(records)) + ' ';
    qint64 total = start.size() + body.size() + 1;
    while (start.size() + QByteArray::number(total).size() + 1 + body.size() != total)
        total = start.size() + QByteArray::number(total).size() + 1 + body.size();
    QFile file(folder + QStringLiteral("/RACCD.DAT"));
    if (!file.open(QIODevice::WriteOnly) || file.write(start + QByteArray::number(total) + '\n') < 0
        || file.write(body) != body.size())
        std::exit(1);
    return total;
}

// Bytes this process has read through system calls so far.
long long BytesRead()
{
    QFile io(QStringLiteral("/proc/self/io"));
    io.open(QIODevice::ReadOnly);
    for (const QByteArray& line : io.readAll().split('\n')) {
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    long largest = 4'000'000;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--records") == 0)
            largest = std::atol(argv[i + 1]);
    }
    void* library = dlopen(BIN_DIR "/RACCD32A.DLL", RTLD_NOW | RTLD_LOCAL);
    const auto lookup = library ? reinterpret_cast<GetCallInfoCall>(dlsym(library, "sGetCallInfo")) : nullptr;
    if (!lookup) {
        std::printf("cannot load %s\n", BIN_DIR "/RACCD32A.DLL");
        return 1;
    }
    constexpr int kLookups = 2000;
    for (long records = largest / 100; records <= largest; records *= 10) {
        QTemporaryDir cd;
        const qint64 size = WriteCallbook(cd.path(), records);
        const QByteArray root = QFile::encodeName(cd.path()) + '/';
        std::mt19937 random(7);
        std::uniform_int_distribution<long> pick(0, records - 1);
        char answer[kRacAnswerSize];
        int found = 0;
        const long long readBefore = BytesRead();
        const auto started = std::chrono::steady_clock::now();
        for (int i = 0; i < kLookups; ++i) {
            std::int16_t status = 0;
            lookup(root.constData(), Call(pick(random)).constData(), answer, &status);
            found += status == 0;
        }
        const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - started).count();
        std::printf("%8ld records, %7.1f MB: %d/%d found, %7.1f us and %6.0f bytes read a lookup\n", records,
                    static_cast<double>(size) / 1e6, found, kLookups, us / kLookups,
                    static_cast<double>(BytesRead() - readBefore) / kLookups);
    }
    return 0;
}
