#include "link/link_slots.h"

#include "common/trim_at_nul.h"
#include "platform/windows1252.h"
#include "platform/windows1252_nearest.h"

namespace tavrik::LinkSlots {

QByteArray EncodeText(const QString& text)
{
    QByteArray bytes = ToWindows1252(NearestWindows1252Form(text));
    bytes.append('\0');
    if (bytes.size() < kTextBytes)
        bytes.append(kTextBytes - bytes.size(), ' ');
    bytes.truncate(kTextBytes);
    return bytes;
}

QString DecodeRaw(const QByteArray& raw)
{
    return FromWindows1252(raw);
}

QString Value(const QString& mirror)
{
    return TrimAtNul(mirror);
}

QString StoredValue(const QString& text)
{
    return Value(DecodeRaw(EncodeText(text)));
}

QByteArray ClearedText()
{
    return EncodeText(QString());
}

bool IsOutboundCommand(const QString& value)
{
    return value.startsWith(u"HexCommand ", Qt::CaseInsensitive) || value.startsWith(u"Command ", Qt::CaseInsensitive);
}

} // namespace tavrik::LinkSlots
