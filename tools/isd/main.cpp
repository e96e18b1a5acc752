// isd: makes Vorbel notes files and Vorbel32 logbooks, fills them from CSV or ADIF and dumps
// them back.
#include "isd_transfer.h"
#include "path_resolver.h"

#include "notecart/vmx.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

namespace {

const char kUsage[] =
    "usage:\n"
    "  isd create notes FILE        make an empty notes file\n"
    "  isd create logbook FILE      make an empty logbook\n"
    "  isd import FILE INPUT        add the records of INPUT (.csv, .adi or .adif)\n"
    "  isd dump FILE [OUTPUT]       write every record to OUTPUT (.csv, .adi or .adif);\n"
    "                               without OUTPUT, CSV on standard output\n"
    "  isd dump --adif FILE         ADIF on standard output\n"
    "  isd info FILE                the kind of file and its number of records\n"
    "FILE gets \".ISD\" when it has no such ending.\n";

int Fail(const QString& message)
{
    std::fprintf(stderr, "isd: %s\n", qPrintable(message));
    return 1;
}

QString IsdName(const QString& name)
{
    return name.endsWith(QStringLiteral(".ISD"), Qt::CaseInsensitive) ? name : name + QStringLiteral(".ISD");
}

QString StatusText(vbis::Status status)
{
    switch (status) {
    case VMX_FILE_NOT_FOUND: return QStringLiteral("file not found");
    case VMX_NOT_ISAM_FILE: return QStringLiteral("not a notes file or logbook");
    case VMX_IN_USE: return QStringLiteral("in use by another program");
    case VMX_READ_ONLY: return QStringLiteral("cannot be written");
    case VMX_DISK_FULL: return QStringLiteral("disk full");
    default: return QStringLiteral("error %1").arg(status);
    }
}

int Create(const QString& kind, const QString& name)
{
    vbis::FileKind fileKind;
    if (kind == QStringLiteral("notes"))
        fileKind = vbis::FileKind::Notes;
    else if (kind == QStringLiteral("logbook"))
        fileKind = vbis::FileKind::Logbook;
    else
        return Fail(QStringLiteral("make \"notes\" or \"logbook\", not \"%1\"").arg(kind));
    const QString path = IsdName(name);
    if (QFileInfo::exists(path))
        return Fail(QStringLiteral("%1 exists already").arg(path));
    const vbis::Status status = vbis::IsamStore::create(path.toStdString(), fileKind);
    if (status != VMX_OK)
        return Fail(QStringLiteral("%1: %2").arg(path, StatusText(status)));
    return 0;
}

std::unique_ptr<vbis::IsamStore> Open(const QString& name, bool writable, QString& path)
{
    path = QString::fromStdString(vbis::ResolvePathIgnoringCase(IsdName(name).toStdString()));
    if (path.isEmpty()) {
        Fail(QStringLiteral("%1: file not found").arg(IsdName(name)));
        return nullptr;
    }
    std::unique_ptr<vbis::IsamStore> store;
    const vbis::Status status = vbis::IsamStore::open(path.toStdString(), writable, false, store);
    if (status != VMX_OK)
        Fail(QStringLiteral("%1: %2").arg(path, StatusText(status)));
    return store;
}

int Import(const QString& name, const QString& inputName)
{
    const std::optional<isd::Format> format = isd::FormatOf(inputName);
    if (!format)
        return Fail(QStringLiteral("%1: give a .csv, .adi or .adif file").arg(inputName));
    QFile input(inputName);
    if (!input.open(QIODevice::ReadOnly))
        return Fail(QStringLiteral("%1: %2").arg(inputName, input.errorString()));
    const QString text = isd::DecodeInput(input.readAll());
    QString path;
    const auto store = Open(name, true, path);
    if (!store)
        return 1;
    const isd::ImportOutcome outcome = isd::Import(*store, text, *format);
    if (!outcome.error.isEmpty())
        return Fail(QStringLiteral("%1: %2; nothing was added").arg(inputName, outcome.error));
    if (!outcome.ignoredTags.isEmpty())
        std::fprintf(stderr, "isd: ADIF fields with no place in the file, left out: %s\n",
                     qPrintable(outcome.ignoredTags.join(u' ')));
    std::printf("%d records added to %s\n", outcome.records, qPrintable(path));
    return 0;
}

int DumpTo(const QString& name, isd::Format format, const QString& outputName)
{
    QString path;
    const auto store = Open(name, true, path);
    if (!store)
        return 1;
    const isd::DumpOutcome outcome = isd::Dump(*store, format, QFileInfo(path).fileName());
    if (outcome.status != VMX_OK)
        return Fail(QStringLiteral("%1: %2").arg(path, StatusText(outcome.status)));
    QFile output;
    const bool opened = outputName.isEmpty() ? output.open(stdout, QIODevice::WriteOnly)
                                             : (output.setFileName(outputName),
                                                output.open(QIODevice::WriteOnly | QIODevice::Truncate));
    if (!opened || output.write(outcome.bytes) != outcome.bytes.size() || !output.flush())
        return Fail(QStringLiteral("%1: %2").arg(outputName.isEmpty() ? QStringLiteral("output") : outputName,
                                                  output.errorString()));
    if (!outputName.isEmpty())
        std::printf("%d records written to %s\n", outcome.records, qPrintable(outputName));
    return 0;
}

int Dump(const QStringList& arguments)
{
    if (arguments.size() == 2 && arguments[0] == QStringLiteral("--adif"))
        return DumpTo(arguments[1], isd::Format::Adif, {});
    if (arguments.size() == 1)
        return DumpTo(arguments[0], isd::Format::Csv, {});
    if (arguments.size() != 2)
        return Fail(QString::fromLatin1(kUsage));
    const std::optional<isd::Format> format = isd::FormatOf(arguments[1]);
    if (!format)
        return Fail(QStringLiteral("%1: give a .csv, .adi or .adif file").arg(arguments[1]));
    return DumpTo(arguments[0], *format, arguments[1]);
}

int Info(const QString& name)
{
    QString path;
    const auto store = Open(name, true, path);
    if (!store)
        return 1;
    std::int64_t records = 0;
    if (const vbis::Status status = store->count(records); status != VMX_OK)
        return Fail(QStringLiteral("%1: %2").arg(path, StatusText(status)));
    std::printf("%s: %s, %d fields, %lld records\n", qPrintable(path),
                vbis::KindName(store->layout().kind), static_cast<int>(store->layout().fields.size()),
                static_cast<long long>(records));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString command = arguments.isEmpty() ? QString() : arguments.takeFirst();
    if (command == QStringLiteral("create") && arguments.size() == 2)
        return Create(arguments[0], arguments[1]);
    if (command == QStringLiteral("import") && arguments.size() == 2)
        return Import(arguments[0], arguments[1]);
    if (command == QStringLiteral("dump"))
        return Dump(arguments);
    if (command == QStringLiteral("info") && arguments.size() == 1)
        return Info(arguments[0]);
    std::fputs(kUsage, command == QStringLiteral("--help") ? stdout : stderr);
    return command == QStringLiteral("--help") ? 0 : 2;
}
