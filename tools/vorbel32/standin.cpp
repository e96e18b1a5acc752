#include "standin.h"

#include "link_terms.h"
#include "meeting_place.h"
#include "notice_text.h"
#include "slot_text.h"

#include <QRegularExpression>
#include <QTime>

namespace tavrik::standin {

StandIn::StandIn(std::FILE* out, QObject* parent) : QObject(parent), out_(out) {}

bool StandIn::start(const QString& serialDevice, QString& error)
{
    const QString dir = MeetingDirPath();
    if (!PrepareMeetingDir(dir, error))
        return false;
    if (!serialDevice.isEmpty() && !radio_.open(serialDevice)) {
        error = QStringLiteral("%1: %2").arg(serialDevice, radio_.errorText());
        return false;
    }
    window_ = std::make_unique<WindowSocket>(
        QByteArray(kMessageName),
        [this](const WindowMessage& m, int connection) { return onMessage(m, connection); });
    // A keyer that ended between key-down and key-up must not leave the transmitter keyed.
    connect(window_.get(), &WindowSocket::connectionClosed, this, &StandIn::releaseLinesOf);
    const QString socketPath = dir + u'/' + QString::fromLatin1(kWindowTitle);
    if (window_->listen(socketPath, error) != WindowSocket::ListenResult::Listening)
        return false;
    // The block only once the window listens: a second copy must not replace a live block.
    const QString blockPath = dir + u'/' + QString::fromLatin1(kBlockFileName);
    if (!block_.create(blockPath, kBlockBytes, error))
        return false;
    for (int k = 0; k < kSlotCount; ++k)
        block_.write(SlotOffset(k), SlotBytes(QString()));
    print(QStringLiteral("ready: block %1, window %2%3")
              .arg(blockPath, socketPath,
                   serialDevice.isEmpty() ? QString() : QStringLiteral(", radio port ") + serialDevice));
    return true;
}

std::int32_t StandIn::onMessage(const WindowMessage& message, int connection)
{
    const ContactSlots contact{slotValue(kCallsignSlot), slotValue(kNameSlot), slotValue(kSrxSlot)};
    print(QStringLiteral("%1 %2 %3").arg(message.wParam).arg(message.lParam)
              .arg(DescribeNotice(message.wParam, message.lParam, contact)));
    if (message.wantsReply)
        carryOut(message.wParam, connection);
    return 0;
}

void StandIn::carryOut(int code, int connection)
{
    bool switched = true;
    switch (code / 100 * 100) {
    case request::kKeyUp:
        keyHolder_ = 0;
        switched = !radio_.isOpen() || radio_.setKey(false);
        break;
    case request::kKeyDown:
        keyHolder_ = connection;
        switched = !radio_.isOpen() || radio_.setKey(true);
        break;
    case request::kPttOn:
        pttHolder_ = connection;
        switched = !radio_.isOpen() || radio_.setPtt(true);
        break;
    case request::kPttOff:
        pttHolder_ = 0;
        switched = !radio_.isOpen() || radio_.setPtt(false);
        break;
    default:
        return;
    }
    if (!switched && !warnedNoModemLines_) {
        warnedNoModemLines_ = true;
        print(QStringLiteral("note: the radio port cannot switch its lines (%1)").arg(radio_.errorText()));
    }
}

void StandIn::releaseLinesOf(int connection)
{
    QStringList released;
    if (keyHolder_ == connection) {
        keyHolder_ = 0;
        if (radio_.isOpen())
            radio_.setKey(false);
        released << QStringLiteral("key");
    }
    if (pttHolder_ == connection) {
        pttHolder_ = 0;
        if (radio_.isOpen())
            radio_.setPtt(false);
        released << QStringLiteral("PTT");
    }
    print(QStringLiteral("connection %1 closed").arg(connection)
          + (released.isEmpty() ? QString() : QStringLiteral(": radio %1 released").arg(released.join(QStringLiteral(" and ")))));
}

void StandIn::runCommand(const QString& line)
{
    static const QRegularExpression slotCommand(QStringLiteral("^slot (\\d+)(?: (.*))?$"));
    const QString word = line.section(u' ', 0, 0);
    if (const auto match = slotCommand.match(line); match.hasMatch()) {
        bool isNumber = false;
        const int slot = match.captured(1).toInt(&isNumber);
        writeSlot(isNumber ? slot : -1, match.captured(2));
    } else if (word == u"command") {
        writeSlot(kCommandSlot, line.mid(8));
    } else if (line == u"show") {
        show();
    } else if (line == u"help") {
        print(HelpText());
    } else if (line == u"quit") {
        emit quitRequested();
    } else if (!line.trimmed().isEmpty()) {
        print(QStringLiteral("unknown command \"%1\"; try help").arg(line));
    }
}

void StandIn::writeSlot(int slot, const QString& text)
{
    if (slot < 0 || slot >= kSlotCount) {
        print(QStringLiteral("no such slot: slots are 0 to 9"));
        return;
    }
    block_.write(SlotOffset(slot), SlotBytes(text));
    print(QStringLiteral("ok slot %1 \"%2\"").arg(slot).arg(text));
}

QString StandIn::slotValue(int slot)
{
    return SlotValue(block_.read(SlotOffset(slot), kSlotTextBytes));
}

void StandIn::show()
{
    static const char* const names[kSlotCount] = {
        "callsign", "name", "serial number", "own callsign", "band",
        "command", "received exchange", "active radio", "sent report", "received report"};
    for (int k = 0; k < kSlotCount; ++k)
        print(QStringLiteral("slot %1 %2: \"%3\"").arg(k).arg(QLatin1String(names[k]), slotValue(k)));
    print(QStringLiteral("radio: key %1, PTT %2")
              .arg(keyHolder_ != 0 ? QStringLiteral("down") : QStringLiteral("up"),
                   pttHolder_ != 0 ? QStringLiteral("on") : QStringLiteral("off")));
}

void StandIn::print(const QString& line)
{
    const QByteArray text = (QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz ")) + line).toUtf8();
    std::fprintf(out_, "%s\n", text.constData());
    std::fflush(out_);
}

QString StandIn::HelpText()
{
    return QStringLiteral(
        "commands on standard input:\n"
        "  slot N TEXT    write TEXT into slot N (0 to 9): the text, a NUL, blanks\n"
        "                 0 callsign, 1 name, 2 serial number, 3 own callsign, 4 band,\n"
        "                 5 command, 6 received exchange, 7 active radio, 8 sent report,\n"
        "                 9 received report\n"
        "  command TEXT   a command for Tavrik in slot 5: Close, Normal, Minimize,\n"
        "                 Format PATTERN, or a key number (113 = F2, 226 = Ctrl+F2,\n"
        "                 452 = Alt+F2, 27 = Esc)\n"
        "  show           print every slot and the radio's key and PTT\n"
        "  help           this text\n"
        "  quit           remove the block and the window and end");
}

} // namespace tavrik::standin
