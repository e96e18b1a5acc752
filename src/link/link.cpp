#include "link/link.h"

#include "common/link_codes.h"
#include "common/vb_numbers.h"
#include "link/inbound_command.h"
#include "platform/runtime_dir.h"

namespace tavrik {

std::optional<LinkStartupMessage> StartupMessageFor(LinkOpenOutcome outcome)
{
    const QString title = QStringLiteral("You can't get there from here");
    switch (outcome) {
    case LinkOpenOutcome::Up:
        return std::nullopt;
    case LinkOpenOutcome::CannotOpen:
        return LinkStartupMessage{title, QStringLiteral("OpenFileMapping API failed, is Vorbel32 running?"), true};
    case LinkOpenOutcome::CannotMap:
        return LinkStartupMessage{title, QStringLiteral("MapViewOfFile API failed."), false};
    }
    return std::nullopt;
}

Link::Link(LinkHost& host) : host_(host) {}

LinkOpenOutcome Link::open()
{
    closeLink();
    channel_.reset();
    openFailure_.clear();
    const RuntimeDir dir = CheckRuntimeDir();
    if (!dir.ready()) {
        openFailure_ = dir.problem();
        return LinkOpenOutcome::CannotOpen;
    }
    socketPath_ = MessageSocketPath(dir.path, QString::fromLatin1(kPeerWindowTitle));
    auto channel = std::make_unique<MessageChannel>(socketPath_);
    if (channel->connectToPeer())
        channel_ = std::move(channel);
    const QString blockPath = dir.path + u'/' + QString::fromLatin1(kBlockName);
    const auto status = block_.open(blockPath, LinkSlots::kBlockSize);
    openFailure_ = block_.lastError();
    switch (status) {
    case SharedBlock::OpenStatus::Opened:
        blockPath_ = blockPath;
        return LinkOpenOutcome::Up;
    case SharedBlock::OpenStatus::CannotOpen:
        return LinkOpenOutcome::CannotOpen;
    case SharedBlock::OpenStatus::CannotMap:
        return LinkOpenOutcome::CannotMap;
    }
    return LinkOpenOutcome::CannotOpen;
}

bool Link::followBlock()
{
    if (blockPath_.isEmpty())
        return false;
    if (block_.isOpen() && block_.stillAtPath()) {
        if (block_.stillKept())
            return true;
        // Killed: the block stays behind, and nothing the link does reaches anybody. A new
        // logging program puts a new block there and is taken up as after a restart.
        loseBlock(block_.lastError());
        return false;
    }
    block_.close();
    if (block_.open(blockPath_, LinkSlots::kBlockSize) != SharedBlock::OpenStatus::Opened) {
        setProblem(QStringLiteral("Link with Vorbel32 lost: ") + block_.lastError());
        return false;
    }
    // A logging program that restarted listens on a new socket: the next message goes there.
    if (!channel_)
        channel_ = std::make_unique<MessageChannel>(socketPath_);
    channel_->disconnect();
    setProblem(QString());
    return true;
}

void Link::loseBlock(const QString& why)
{
    block_.close();
    setProblem(QStringLiteral("Link with Vorbel32 lost: ") + why);
}

void Link::setProblem(const QString& problem)
{
    if (problem == problem_)
        return;
    problem_ = problem;
    host_.showLinkProblem(problem_);
}

void Link::pollLink()
{
    using namespace LinkSlots;
    if (!followBlock())
        return;
    const QByteArray whole = block_.read(0, kBlockSize);
    if (whole.size() != static_cast<qsizetype>(kBlockSize)) {
        loseBlock(block_.lastError());
        return;
    }
    for (int k = 0; k < kCount; ++k)
        mirrors_[k] = DecodeRaw(whole.mid(static_cast<qsizetype>(Offset(k)), kTextBytes));

    // Each field setter runs the window's Change handling, which may write slots: read every
    // value from the mirrors taken above, never from the block in between.
    // A field is compared as its slot holds it: the field keeps what the operator typed
    // ("Paweł", a blank between two names) while the slot holds its nearest form.
    const QString callsign = slotValue(kCallsign);
    if (callsign != StoredValue(host_.callsignText()))
        host_.setCallsignText(callsign);
    const QString name = slotValue(kName);
    if (!IsOutboundCommand(name) && name != StoredValue(host_.nameText()))
        host_.setNameText(name);
    const QString srx = slotValue(kSrx);
    if (srx != StoredValue(host_.srxText()))
        host_.setSrxText(srx);
    myCallsign_ = slotValue(kMyCallsign);
    bandText_ = slotValue(kBand);

    // The command is read again just before it is cleared, so one written meanwhile is not
    // wiped unseen; the slot is cleared before it runs, so a poll nested in it (a key press
    // that starts a transmission) cannot run it again.
    if (!block_.isOpen())
        return;
    const QByteArray command = block_.read(Offset(kCommand), kTextBytes);
    // A command that cannot be cleared would act again at every poll.
    if (command.size() != kTextBytes || (command != ClearedText() && !block_.write(Offset(kCommand), ClearedText()))) {
        loseBlock(block_.lastError());
        return;
    }
    mirrors_[kCommand] = DecodeRaw(command);
    runCommand(Value(mirrors_[kCommand]));

    // "Close" may have shut the link down.
    if (block_.isOpen())
        takeActiveRadio();
}

void Link::runCommand(const QString& text)
{
    const InboundCommand command = ParseInboundCommand(text);
    switch (command.kind) {
    case InboundCommand::Kind::Ignored:
        break;
    case InboundCommand::Kind::Close:
        host_.closeMainWindow();
        break;
    case InboundCommand::Kind::Normal:
        host_.restoreMainWindow();
        break;
    case InboundCommand::Kind::Minimize:
        host_.minimizeMainWindow();
        break;
    case InboundCommand::Kind::Format:
        serialFormat_ = command.serialFormat;
        break;
    case InboundCommand::Kind::Key:
        host_.pressKey(command.keyCode, command.shift);
        break;
    }
}

void Link::takeActiveRadio()
{
    // Compared once rounded, so "1.5" selects radio 2 once rather than at every poll; a number
    // too large for the radio number is not taken.
    const std::optional<std::int16_t> radio = WholeNumber(slotValue(LinkSlots::kActiveRadio));
    if (!radio || *radio == activeRadio_)
        return;
    activeRadio_ = *radio;
    host_.selectRadioPin(activeRadio_);
}

void Link::writeSlot(int k, const QString& text)
{
    if (!LinkSlots::IsSlot(k) || !followBlock())
        return;
    if (!block_.write(LinkSlots::Offset(k), LinkSlots::EncodeText(text))) {
        loseBlock(block_.lastError());
        return;
    }
    postLinkNotice(LinkCode::kSlotWritten, 0);
}

void Link::postLinkNotice(int code, int argument)
{
    if (channel_)
        channel_->post({QByteArray(kMessageName), code, argument, false});
}

void Link::logContact()
{
    host_.addCallsignToHistory();
    postLinkNotice(LinkCode::kLogContact, 0);
}

void Link::closeLink()
{
    block_.close();
    blockPath_.clear();
}

std::optional<std::int32_t> Link::sendRequest(int code)
{
    if (!channel_)
        return std::nullopt;
    const std::function<void()> whileWaiting = [this] {
        if (waiting_ || !whileWaiting_)
            return;
        waiting_ = true;
        whileWaiting_();
        waiting_ = false;
    };
    return channel_->send({QByteArray(kMessageName), code, 0, true}, kSendTimeout, whileWaiting);
}

void Link::sendUnansweredRequests(std::initializer_list<int> codes)
{
    if (!channel_)
        return;
    std::vector<MessageRecord> records;
    for (const int code : codes)
        records.push_back({QByteArray(kMessageName), code, 0, true});
    channel_->sendUnanswered(records);
}

QString Link::lastRequestFailure() const
{
    if (!channel_)
        return QStringLiteral("Vorbel32 was not running when Tavrik started");
    switch (channel_->lastSendFailure()) {
    case MessageChannel::SendFailure::NoPeer:
        return QStringLiteral("Vorbel32 is not running");
    case MessageChannel::SendFailure::Timeout:
        return QStringLiteral("Vorbel32 did not answer within %1 s")
            .arg(std::chrono::duration_cast<std::chrono::seconds>(kSendTimeout).count());
    case MessageChannel::SendFailure::ConnectionLost:
        return QStringLiteral("Vorbel32 closed the connection");
    }
    return {};
}

QString Link::slotMirror(int k) const
{
    return LinkSlots::IsSlot(k) ? mirrors_[static_cast<std::size_t>(k)] : QString();
}

QString Link::slotValue(int k) const
{
    return LinkSlots::Value(slotMirror(k));
}

} // namespace tavrik
