// The remembered verdicts of the live records' group check: a key is the address and the number
// together, whatever their hashes share; the table keeps every answer across its growth and forgets
// them all only at its bound.
#include "viewer/verdicttable.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace Ostraven::Testing {
namespace {
const auto rowName = [](const auto &row) { return std::string(row.param.name); };

struct Key {
    QString address;
    qint32 number;
    std::size_t hash;
};

struct LookupCase {
    const char *name;
    std::vector<std::pair<Key, bool>> stored;
    Key asked;
    std::optional<bool> expected;
};
void PrintTo(const LookupCase &row, std::ostream *out) { *out << row.name; }

class VerdictLookup : public ::testing::TestWithParam<LookupCase> {};

// Keys are given hashes of their own choosing, so that equal hashes (and equal slots) meet on purpose.
TEST_P(VerdictLookup, FindsOnlyItsOwnKey)
{
    const LookupCase &c = GetParam();
    VerdictTable table;
    for (const auto &[key, matched] : c.stored)
        table.insert(key.address, key.number, key.hash, matched);
    const bool *found = table.find(c.asked.address, c.asked.number, c.asked.hash);
    EXPECT_EQ(found ? std::optional<bool>(*found) : std::nullopt, c.expected);
}

const QString door = QStringLiteral(R"(\\ZEKO01.1.DR01)");
INSTANTIATE_TEST_SUITE_P(VerdictTable, VerdictLookup, ::testing::Values(
    LookupCase{"Empty", {}, {door, 80001, 7}, std::nullopt},
    LookupCase{"Stored", {{{door, 80001, 7}, true}}, {door, 80001, 7}, true},
    LookupCase{"OtherNumberSameHash", {{{door, 80001, 7}, true}}, {door, 80101, 7}, std::nullopt},
    LookupCase{"OtherAddressSameHash", {{{door, 80001, 7}, true}}, {door + u'1', 80001, 7}, std::nullopt},
    LookupCase{"PrefixOfStoredSameHash", {{{door + u'1', 80001, 7}, true}}, {door, 80001, 7}, std::nullopt},
    LookupCase{"SecondOfCollidingKeys", {{{door, 80001, 7}, true}, {{door, 80101, 7}, false}}, {door, 80101, 7}, false},
    LookupCase{"PastNeighbourInNextSlot", {{{door, 80001, 8}, true}, {{door, 80101, 7}, false}}, {door, 80101, 7}, false},
    LookupCase{"WrapsAroundTheEnd", {{{door, 1, 63}, true}, {{door, 2, 63}, false}}, {door, 2, 63}, false}),
    rowName);

// Keys that all share a few slots, far past the first table size, are each found after every growth;
// at the bound the table starts again with the newest answer alone.
TEST(VerdictTable, KeepsEveryAnswerUntilItsBound)
{
    VerdictTable table;
    const auto key = [](std::size_t i) { return Key{QStringLiteral(R"(\\SRV1.1.%1.RD01)").arg(i), qint32(i), i % 5}; };
    for (std::size_t i = 0; i < VerdictTable::entryLimit; ++i)
        table.insert(key(i).address, key(i).number, key(i).hash, i % 3 == 0);
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < VerdictTable::entryLimit; ++i) {
        const bool *found = table.find(key(i).address, key(i).number, key(i).hash);
        wrong += !found || *found != (i % 3 == 0) ? 1 : 0;
    }
    EXPECT_EQ(wrong, 0u);

    const Key newest = key(VerdictTable::entryLimit);
    table.insert(newest.address, newest.number, newest.hash, true);
    EXPECT_EQ(table.size(), 1u);
    EXPECT_EQ(table.find(key(0).address, key(0).number, key(0).hash), nullptr);
    ASSERT_NE(table.find(newest.address, newest.number, newest.hash), nullptr);
}

// Every character and the number reach the hash, the tail after the last whole eight bytes included.
TEST(VerdictTable, HashReadsTheWholeKey)
{
    const QString address = QStringLiteral(R"(\\ZEKO01.1.DR01)");
    const std::size_t base = VerdictTable::hashOf(address, 80001, 42);
    EXPECT_EQ(VerdictTable::hashOf(QString(address), 80001, 42), base);
    EXPECT_NE(VerdictTable::hashOf(address, 80101, 42), base);
    EXPECT_NE(VerdictTable::hashOf(address, 80001, 43), base);
    for (qsizetype at = 0; at < address.size(); ++at) {
        QString changed = address;
        changed[at] = QChar(u'#');
        EXPECT_NE(VerdictTable::hashOf(changed, 80001, 42), base) << "character " << at;
    }
    EXPECT_NE(VerdictTable::hashOf(address.chopped(1), 80001, 42), base);
}

} // namespace
} // namespace Ostraven::Testing
