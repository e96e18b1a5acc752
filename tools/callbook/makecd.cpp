// callbook-makecd: makes a callbook "CD" folder, readable by all three stand-in libraries,
// from CSV files of callsign,name,address,email and, on request, generated entries.
#include "platform/windows1252.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <random>

namespace {

constexpr int kEdition = 1;

struct Entry {
    QString name, address, email;
};
using Callbook = std::map<QByteArray, Entry>; // sorted by the callsign's bytes, as the files are

void Fail(const QString& text)
{
    std::fprintf(stderr, "callbook-makecd: %s\n", qPrintable(text));
    std::exit(1);
}

// One CSV line into fields: commas separate, double quotes enclose, "" is a quote.
QStringList SplitCsv(const QString& line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted && c == u'"' && i + 1 < line.size() && line.at(i + 1) == u'"') {
            field += u'"';
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (c == u',' && !quoted) {
            fields.append(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.append(field);
    return fields;
}

// Tabs and line ends would break a record's line.
QString Flat(QString text)
{
    text.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
    return text.trimmed();
}

void ReadCsv(const QString& path, Callbook& book)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        Fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    for (int number = 1; !in.atEnd(); ++number) {
        const QString line = in.readLine();
        if (line.trimmed().isEmpty() || (number == 1 && line.startsWith(u"callsign", Qt::CaseInsensitive)))
            continue;
        const QStringList fields = SplitCsv(line);
        const QString call = Flat(fields.value(0)).toUpper();
        if (call.isEmpty())
            continue;
        book[tavrik::ToWindows1252(call)] = {Flat(fields.value(1)), Flat(fields.value(2)), Flat(fields.value(3))};
    }
}

// Plausible entries, the same ones on every run.
void Generate(int count, Callbook& book)
{
    static const char* const prefixes[] = {"K", "W", "N", "AA", "AB", "KA", "KB", "KC", "WA", "WB", "VE", "VA",
                                           "G", "M", "DL", "F", "I", "SM", "OH", "LA", "OZ", "JA", "VK", "ZL"};
    static const char* const givenNames[] = {"John", "Mary", "Robert", "Linda", "James", "Karen", "Erik", "Anna",
                                             "Pierre", "Marie", "Hans", "Greta", "Kenji", "Yuki", "Olaf", "Ingrid"};
    static const char* const familyNames[] = {"Smith", "Jones", "Brown", "Miller", "Wilson", "Taylor", "Andersson",
                                              "Dubois", "Schmidt", "Rossi", "Tanaka", "Nielsen", "Virtanen"};
    static const char* const streets[] = {"Main St", "Oak Ave", "Elm Rd", "Station Rd", "Harbour Way", "Mill Lane"};
    static const char* const towns[] = {"Springfield", "Riverton", "Lakeside", "Hillcrest", "Bayview", "Fairfield"};
    std::mt19937 random(7);
    auto pick = [&random](const auto& list) { return QString::fromLatin1(list[random() % std::size(list)]); };
    const std::size_t wanted = book.size() + static_cast<std::size_t>(count);
    while (book.size() < wanted) {
        QString call = pick(prefixes) + QString::number(random() % 10);
        const int suffixLength = 1 + static_cast<int>(random() % 3);
        for (int i = 0; i < suffixLength; ++i)
            call += QChar(u'A' + static_cast<char16_t>(random() % 26));
        const QByteArray key = call.toLatin1();
        if (book.contains(key))
            continue;
        const QString name = pick(givenNames) + u' ' + pick(familyNames);
        const QString address = QStringLiteral("%1 %2, %3").arg(random() % 900 + 1).arg(pick(streets), pick(towns));
        const QString email = random() % 4 == 0 ? QString() : call.toLower() + QStringLiteral("@example.org");
        book[key] = {name, address, email};
    }
}

void WriteDataFile(const QString& folder, const QString& name, const QByteArray& contents)
{
    if (!QDir().mkpath(folder))
        Fail(QStringLiteral("cannot make %1").arg(folder));
    QSaveFile file(folder + u'/' + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() || !file.commit())
        Fail(QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString()));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    int generated = 0;
    int edition = kEdition;
    QString folder;
    QStringList csvFiles;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        bool ok = true;
        if ((argument == u"--generate" || argument == u"--edition") && i + 1 < arguments.size()) {
            (argument == u"--generate" ? generated : edition) = arguments.at(++i).toInt(&ok);
            if (!ok || generated < 0)
                Fail(QStringLiteral("%1 needs a number").arg(argument));
        } else if (argument.startsWith(u"--")) {
            Fail(QStringLiteral("unknown option %1").arg(argument));
        } else if (folder.isEmpty()) {
            folder = argument;
        } else {
            csvFiles.append(argument);
        }
    }
    if (folder.isEmpty()) {
        std::fprintf(stderr, "usage: callbook-makecd [--generate N] [--edition E] CD-FOLDER [FILE.csv...]\n"
                             "  CSV columns: callsign,name,address,email (UTF-8; a first line starting\n"
                             "  \"callsign\" is a header). Writes RACCD.DAT, HAM0/HAMCALL.DAT, QRZ/CALLBOOK.DAT.\n");
        return 2;
    }

    Callbook book;
    Generate(generated, book);
    for (const QString& csv : csvFiles)
        ReadCsv(csv, book);

    QByteArray records;
    for (const auto& [call, entry] : book) {
        records += call + '\t' + tavrik::ToWindows1252(entry.name) + '\t' + tavrik::ToWindows1252(entry.address)
            + '\t' + tavrik::ToWindows1252(entry.email) + '\n';
    }
    // The header ends with the file's own size, so a copy cut short shows without a count of
    // its lines; the size's digits are part of the size.
    const QByteArray start = QStringLiteral("CALLBOOK %1 %2 ").arg(edition).arg(book.size()).toLatin1();
    qsizetype total = start.size() + records.size() + 1;
    while (start.size() + QByteArray::number(total).size() + 1 + records.size() != total)
        total = start.size() + QByteArray::number(total).size() + 1 + records.size();
    const QByteArray contents = start + QByteArray::number(total) + '\n' + records;
    WriteDataFile(folder, QStringLiteral("RACCD.DAT"), contents);
    WriteDataFile(folder + QStringLiteral("/HAM0"), QStringLiteral("HAMCALL.DAT"), contents);
    WriteDataFile(folder + QStringLiteral("/QRZ"), QStringLiteral("CALLBOOK.DAT"), contents);
    std::printf("%s: %zu callsigns\n", qPrintable(QDir(folder).absolutePath()), book.size());
    return 0;
}
