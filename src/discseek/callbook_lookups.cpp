#include "discseek/callbook_lookups.h"

#include "discseek/callbook_calls.h"
#include "discseek/cd_drives.h"
#include "discseek/library_folder.h"
#include "platform/windows1252.h"

#include <QFile>

#include <algorithm>

namespace discseek {
namespace {

// A buffer's text up to its first NUL: the rest of a fixed buffer is not part of the answer.
QByteArray UpToNul(const QByteArray& buffer)
{
    const qsizetype nul = buffer.indexOf('\0');
    return nul < 0 ? buffer : buffer.left(nul);
}

QString DriveText(const QByteArray& cdDrive)
{
    return tavrik::FromWindows1252(cdDrive);
}

} // namespace

void CallbookLookups::lookup(Callbook callbook, const QByteArray& cdDrive, const QByteArray& callsign)
{
    switch (callbook) {
    case Callbook::Rac:
        lookupRac(cdDrive, callsign);
        break;
    case Callbook::HamCall:
        lookupHamCall(cdDrive, callsign);
        break;
    case Callbook::Qrz:
        lookupQrz(cdDrive, callsign);
        break;
    }
}

QByteArray CallbookLookups::cdPath(const QByteArray& cdDrive, const char* rest) const
{
    const QString folder = drives_.folderFor(cdDrive);
    return folder.isEmpty() ? QByteArray() : QFile::encodeName(folder) + rest;
}

void CallbookLookups::lookupQrz(const QByteArray& cdDrive, const QByteArray& callsign)
{
    const char* const library = "qrz32.dll";
    const auto init = libraries_.call<QrzInitCall>(library, "QRZInit");
    const auto search = libraries_.call<QrzSearchCall>(library, "QRZSearch");
    const auto getEmail = libraries_.call<QrzGetEmailCall>(library, "QRZGetEmail");
    const auto exit = libraries_.call<QrzExitCall>(library, "QRZExit");
    if (!init || !search || !getEmail || !exit) {
        outcome_.reportLookupError(QStringLiteral("I cannot find the QRZ32.DLL file.  Please copy this file "
                                                  "from your QRZ CD to the Vorbel32 directory."));
        return;
    }
    const std::int32_t status = init(cdPath(cdDrive, "").constData());
    if (status == -1 || status == 0) {
        outcome_.reportLookupError(status == -1 ? QStringLiteral("DLL is in use by another application.")
                                                : QStringLiteral("Error: CD not be found."));
        exit();
        return;
    }
    QByteArray buffer(kQrzAnswerSize, '\0');
    const std::int32_t count = search(1, callsign.constData(), "", "", buffer.data(), 1);
    // A count beyond the buffer cannot be true: the buffer is all there is, up to a NUL.
    QByteArray answer = UpToNul(buffer.left(std::clamp<std::int32_t>(count, 0, kQrzAnswerSize))) + ' ';

    QByteArray email(kQrzEmailSize, '\0');
    if (getEmail(callsign.constData(), email.data(), kQrzEmailLimit) > 0)
        answer += "EMAIL " + UpToNul(email);
    outcome_.writeLookupAnswer(answer);
}

void CallbookLookups::lookupHamCall(const QByteArray& cdDrive, const QByteArray& callsign)
{
    const auto lookupCallSign = libraries_.call<LookupCallSignCall>("Hamcal32.dll", "LookupCallSign");
    if (!lookupCallSign) {
        outcome_.reportLookupError(QStringLiteral(
            "I cannot find the file HAMCAL32.DLL needed to access the HamCall CD.  Please copy this file "
            "from your HamCall CD to the Vorbel32 directory."));
        return;
    }
    QByteArray buffer(kHamCallAnswerSize, ' ');
    const std::int16_t status = lookupCallSign(cdPath(cdDrive, "/HAM0/").constData(), callsign.constData(),
                                               kHamCallAnswerSize, buffer.data());
    if (status > 0 || status == -1) {
        // Blanks the library did not overwrite stay: the answer is in fixed columns.
        outcome_.writeLookupAnswer(UpToNul(buffer));
    } else if (status == -2) {
        outcome_.reportLookupError(QStringLiteral("Database: '%1\\HAM0\\' not found").arg(DriveText(cdDrive)));
    } else if (status == -3) {
        outcome_.reportLookupError(QStringLiteral("Index error"));
    } else if (status == -4) {
        outcome_.reportLookupError(QStringLiteral("No memory error"));
    }
    // 0 and below -4 end nothing: the program waits for more records or its time limit.
}

void CallbookLookups::lookupRac(const QByteArray& cdDrive, const QByteArray& callsign)
{
    const auto getCallInfo = libraries_.call<GetCallInfoCall>("RACCD32A.DLL", "sGetCallInfo");
    if (!getCallInfo) {
        outcome_.reportLookupError(QStringLiteral(
            "I cannot find the file RACCD32A.DLL needed to access the RAC CD.  Please copy this file from "
            "your RAC CD to the Vorbel32 directory."));
        return;
    }
    QByteArray buffer(kRacAnswerSize, '\0');
    std::int16_t status = 0;
    getCallInfo(cdPath(cdDrive, "/").constData(), callsign.constData(), buffer.data(), &status);
    switch (status) {
    case 0:
    case 1101:
        outcome_.writeLookupAnswer(UpToNul(buffer));
        return;
    case 2:
        outcome_.reportLookupError(QStringLiteral("File not found."));
        return;
    case 3:
        outcome_.reportLookupError(DriveText(cdDrive) + QStringLiteral("\\ not found."));
        return;
    case 5:
        outcome_.reportLookupError(QStringLiteral("File access denied."));
        return;
    case -2:
        outcome_.reportLookupError(QStringLiteral("Very confusing.  Try again."));
        return;
    case -3:
        outcome_.reportLookupError(
            QStringLiteral("DLL does not match the CD.  Copy RACCD32A.DLL from the CD to the Vorbel32 directory"));
        return;
    case -4:
        outcome_.reportLookupError(QStringLiteral("Decode Error while reading CD."));
        return;
    case -5:
        outcome_.reportLookupError(QStringLiteral("Internal Error while reading CD."));
        return;
    default:
        outcome_.reportLookupError(QStringLiteral("Unknown error."));
        return;
    }
}

} // namespace discseek
