#include "netkeyer/box_text.h"
#include "netkeyer/request.h"

#include <gtest/gtest.h>

namespace tavrik::netkeyer {
namespace {

using Kind = Request::Kind;

TEST(NetworkRequest, ParsesOrDrops)
{
    const struct {
        QByteArray datagram;
        std::optional<Kind> kind; // none: dropped
        int number;
        QByteArray text;
    } cases[] = {
        {"CQ TEST\r\n", Kind::Text, 0, "CQ TEST"},
        {"\r\n", std::nullopt, 0, {}},
        {"", std::nullopt, 0, {}},
        {QByteArray(256, 'E'), Kind::Text, 0, QByteArray(256, 'E')},
        {QByteArray(257, 'E'), std::nullopt, 0, {}},
        {"\x1b", std::nullopt, 0, {}},
        {"\x1bz", std::nullopt, 0, {}},
        {"\x1b" "0", Kind::Reset, 0, {}},
        {"\x1b" "228\r", Kind::Speed, 28, {}},
        {"\x1b" "2 30", Kind::Speed, 30, {}},
        {"\x1b" "24", Kind::Speed, 4, {}},
        {"\x1b" "23", std::nullopt, 0, {}},
        {"\x1b" "261", std::nullopt, 0, {}},
        {"\x1b" "230x", std::nullopt, 0, {}},
        {"\x1b" "2", std::nullopt, 0, {}},
        {"\x1b" "2+30", std::nullopt, 0, {}},
        {"\x1b" "299999999999", std::nullopt, 0, {}},
        {"\x1b" "30", Kind::Tone, 0, {}},
        {"\x1b" "4", Kind::Abort, 0, {}},
        {"\x1b" "7-50", Kind::Weighting, -50, {}},
        {"\x1b" "751", std::nullopt, 0, {}},
        {"\x1b" "8/dev/ttyS0", Kind::Device, 0, "/dev/ttyS0"},
        {"\x1b" "a1", Kind::Ptt, 1, {}},
        {"\x1b" "a2", std::nullopt, 0, {}},
        {"\x1b" "c10", Kind::Tune, 10, {}},
        {"\x1b" "c11", std::nullopt, 0, {}},
        {"\x1b" "d50", Kind::PttDelay, 50, {}},
        {"\x1b" "d51", std::nullopt, 0, {}},
        {"\x1b" "g100", Kind::Volume, 100, {}},
        {"\x1b" "hcat\n", Kind::Reply, 0, "cat"},
        {"\x1b" "h", Kind::Reply, 0, {}},
    };
    for (const auto& c : cases) {
        const std::optional<Request> r = ParseRequest(c.datagram);
        SCOPED_TRACE(c.datagram.toPercentEncoding().toStdString());
        ASSERT_EQ(r.has_value(), c.kind.has_value());
        if (!r)
            continue;
        EXPECT_EQ(r->kind, *c.kind);
        EXPECT_EQ(r->number, c.number);
        EXPECT_EQ(r->text, c.text);
    }
}

TEST(NetworkRequest, TextAsTheBoxHoldsIt)
{
    const struct {
        QByteArray request;
        QString box;
        std::optional<QByteArray> echo;
    } cases[] = {
        {"cq de ok1abc", QStringLiteral("CQ DE OK1ABC"), std::nullopt},
        {"qrz ++test--", QStringLiteral("QRZ \u00BB\u00BBTEST\u00AB\u00AB"), std::nullopt},
        {"d~l", QStringLiteral("D~L"), std::nullopt},
        {"*=<(!&>", QStringLiteral("A^RB^TS^K(S^NA^SB^K"), std::nullopt},
        {"tu^", QStringLiteral("TU"), QByteArray("tu")},
        {"a^b^", QStringLiteral("A"), QByteArray("a")},
        {"^", QString(), QByteArray()},
        // Marks of the box's own and bytes that are no text key nothing.
        {"{30}e|\x1b\x01\xbb\xab\xff", QStringLiteral("30E"), std::nullopt},
        {"5nn #", QStringLiteral("5NN #"), std::nullopt},
    };
    for (const auto& c : cases) {
        const BoxText box = ToBoxText(c.request);
        EXPECT_EQ(box.text, c.box) << c.request.toStdString();
        EXPECT_EQ(box.echo, c.echo) << c.request.toStdString();
    }
}

} // namespace
} // namespace tavrik::netkeyer
