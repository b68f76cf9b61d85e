// body_codec_test.cpp: decoding then encoding gives back every byte, over every body the fuzz
// harness starts from and the demo bodies; and no cut-short body decodes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "body/body_codec.h"
#include "demo/demo_data.h"
#include "support/file_io.h"

namespace {

struct NamedBody {
    std::string name;
    std::vector<uint8_t> bytes;
};

std::vector<NamedBody> bodiesIn(const char* directory)
{
    std::vector<NamedBody> out;
    for (const auto& file : std::filesystem::directory_iterator(directory)) {
        NamedBody body{file.path().filename().string(), {}};
        const Fault fault = readFileBytes(file.path().string(), &body.bytes);
        EXPECT_FALSE(fault) << fault.reason;
        out.push_back(std::move(body));
    }
    return out;
}

void expectRoundTrip(const NamedBody& body)
{
    StoredBody stored;
    const Fault fault = decodeBody(body.bytes.data(), body.bytes.size(), &stored);
    ASSERT_FALSE(fault) << body.name << ": " << fault.reason;
    EXPECT_EQ(encodeBody(stored), body.bytes) << body.name;
    // Cut inside its sections (at some 64 places and one byte short), the body no longer
    // decodes: a cut-off part is never taken for a tail.
    const size_t sectionsEnd = body.bytes.size() - stored.tail.size();
    const size_t step = sectionsEnd / 64 + 1;
    for (size_t size = 0; size < sectionsEnd; size += step) {
        EXPECT_TRUE(decodeBody(body.bytes.data(), size, &stored)) << body.name << " cut to " << size;
    }
    EXPECT_TRUE(decodeBody(body.bytes.data(), sectionsEnd - 1, &stored)) << body.name << " one byte short";
}

}  // namespace

TEST(BodyCodec, DecodeThenEncodeGivesBackEveryByte)
{
    std::vector<NamedBody> bodies = bodiesIn(ORVANE_BODY_SEEDS);
    ASSERT_GE(bodies.size(), 12u);
    for (DemoBody& demo : demoBodies()) bodies.push_back({demo.name, std::move(demo.bytes)});
    for (const NamedBody& body : bodies) expectRoundTrip(body);
}
