// The bounds-checked readers of Jet file bytes: header and password, table
// definitions, property blocks.
#include "TestPaths.h"

#include "reader/jetfile/JetHeader.h"
#include "reader/jetfile/LittleEndian.h"
#include "reader/jetfile/LongValue.h"
#include "reader/jetfile/PropertyBlock.h"
#include "reader/jetfile/PropertyValue.h"
#include "wizard/engine/ValueText.h"
#include "reader/jetfile/TableDefinition.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <limits>
#include <gtest/gtest.h>

using namespace jetfile;
using Bytes = std::vector<std::uint8_t>;

namespace {

void put16(Bytes &b, std::size_t at, unsigned v)
{
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}

void put32(Bytes &b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

// A first page as Jet writes it: the plain bytes, then the encrypted range.
Bytes makeHeader(int formatByte, const Bytes &passwordBytes, double creationDate = 0)
{
    Bytes page(HeaderBytes, 0);
    page[1] = 1;
    std::memcpy(page.data() + 4, "Standard Jet DB", 16);
    page[0x14] = std::uint8_t(formatByte);
    put16(page, 0x3C, 1252);
    std::uint64_t bits;
    std::memcpy(&bits, &creationDate, 8);
    for (int i = 0; i < 8; ++i)
        page[0x72 + std::size_t(i)] = std::uint8_t(bits >> (8 * i));
    std::copy(passwordBytes.begin(), passwordBytes.end(), page.begin() + 0x42);
    const std::uint8_t key[] = {0xC7, 0xDA, 0x39, 0x6B};
    rc4(key, std::span(page.data() + 0x18, formatByte == 0 ? 126 : 128));
    return page;
}

// Jet 4 keeps the password as UTF-16LE XORed with the creation date's whole part.
Bytes jet4Password(const std::u16string &password, double creationDate)
{
    const auto whole = std::uint32_t(std::int32_t(creationDate));
    Bytes bytes(40, 0);
    for (std::size_t i = 0; i < password.size(); ++i)
        put16(bytes, 2 * i, password[i]);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] ^= std::uint8_t(whole >> (8 * (i % 4)));
    return bytes;
}

Bytes readFile(const QString &path, qint64 from = 0, qint64 length = -1)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    file.seek(from);
    const QByteArray data = length < 0 ? file.readAll() : file.read(length);
    return Bytes(data.begin(), data.end());
}

}  // namespace

TEST(JetHeader, RealFiles)
{
    TABULO_NEED_TESTDATA();
    const struct {
        const char *file;
        Format format;
        int pageSize;
        const char16_t *password;
    } cases[] = {
        {"jet3-types.mdb", Format::Jet3, 2048, u""},
        {"northwind.mdb", Format::Jet4, 4096, u""},
        {"jet4-password.mdb", Format::Jet4, 4096, u"password"},
        {"jet4-password-2003.mdb", Format::Jet4, 4096, u"password"},
        {"workgroup.mdw", Format::Jet4, 4096, u""},
        {"ace-2007.accdb", Format::Ace, 4096, u""},
    };
    for (const auto &c : cases) {
        const auto header = parseHeader(readFile(testDataPath(QLatin1String(c.file)), 0, HeaderBytes));
        ASSERT_TRUE(header) << c.file;
        EXPECT_EQ(header->format, c.format) << c.file;
        EXPECT_EQ(header->pageSize, c.pageSize) << c.file;
        EXPECT_EQ(header->password, std::u16string(c.password)) << c.file;
        if (c.format != Format::Ace) {
            EXPECT_EQ(header->codePage, 1252) << c.file;
        }
    }
}

TEST(JetHeader, PasswordsUpToTheFirstNul)
{
    const double created = 38000.75;  // a date in 2004; its whole part masks the bytes
    auto h4 = parseHeader(makeHeader(1, jet4Password(u"Grüße €", created), created));
    ASSERT_TRUE(h4);
    EXPECT_EQ(h4->password, u"Grüße €");
    auto full = parseHeader(makeHeader(1, jet4Password(u"abcdefghijklmnopqrst", created), created));
    EXPECT_EQ(full->password, u"abcdefghijklmnopqrst");
    auto none = parseHeader(makeHeader(1, jet4Password(u"", -1e300), -1e300));
    EXPECT_EQ(none->password, u"") << "a date beyond 32 bits gives no mask";

    // Jet 3: 8-bit text in Windows-1252, no mask.
    Bytes jet3{'p', 0x80, 'w', 0, 'x'};
    auto h3 = parseHeader(makeHeader(0, jet3));
    ASSERT_TRUE(h3);
    EXPECT_EQ(h3->password, u"p€w");
}

TEST(JetHeader, RefusesWhatIsNoJetFile)
{
    const Bytes good = makeHeader(1, {});
    std::string problem;
    for (std::size_t length : {std::size_t(0), std::size_t(10), std::size_t(0x18), HeaderBytes - 1}) {
        EXPECT_FALSE(parseHeader(std::span(good.data(), length), &problem)) << length;
        EXPECT_FALSE(problem.empty());
    }
    Bytes wrongStart = good;
    wrongStart[0] = 1;
    EXPECT_FALSE(parseHeader(wrongStart));
    Bytes wrongName = good;
    wrongName[4] = 'X';
    EXPECT_FALSE(parseHeader(wrongName, &problem));
    EXPECT_EQ(problem, "the file has no Jet or ACE signature");
    Bytes ace = good;
    ace[0x14] = 3;
    EXPECT_EQ(parseHeader(ace)->format, Format::Ace);
    // A Jet 3 header needs two bytes less than a Jet 4 one.
    const Bytes jet3 = makeHeader(0, {});
    EXPECT_TRUE(parseHeader(std::span(jet3.data(), 0x18 + 126)));
}

TEST(TableDefinition, OrdersOfNorthwind)
{
    TABULO_NEED_TESTDATA();
    // Orders' definition is page 729 of northwind.mdb (MSysObjects.Id).
    const Bytes page = readFile(testDataPath(QStringLiteral("northwind.mdb")), 729 * 4096, 4096);
    ASSERT_EQ(page.size(), 4096u);
    const auto def = parseTableDefinition(page, Format::Jet4);
    ASSERT_TRUE(def);
    ASSERT_EQ(def->columns.size(), 14u);
    EXPECT_EQ(def->columns[0].flags & (columnflag::Fixed | columnflag::AutoLong), columnflag::Fixed | columnflag::AutoLong);
    EXPECT_EQ(def->columns[1].type, 10);
    EXPECT_EQ(def->columns[1].size, 10) << "Jet 4 text sizes are bytes";
    EXPECT_EQ(def->realIndexes.size(), 7u);
    ASSERT_EQ(def->indexes.size(), 10u);
    const LogicalIndex &primary = def->indexes[6];
    EXPECT_EQ(primary.type, 1);
    ASSERT_GE(primary.realIndex, 0);
    EXPECT_EQ(def->realIndexes[std::size_t(primary.realIndex)].columns, std::vector<int>{0});
    EXPECT_EQ(def->realIndexes[std::size_t(primary.realIndex)].flags & 0x0F,
              indexflag::Unique | indexflag::Required);

    // Every shorter piece of it is refused, none is read past its end.
    std::size_t needed = page.size();
    while (needed > 0 && parseTableDefinition(std::span(page.data(), needed - 1), Format::Jet4))
        --needed;
    for (std::size_t length = 0; length < needed; length += 7)
        EXPECT_FALSE(parseTableDefinition(std::span(page.data(), length), Format::Jet4)) << length;
}

TEST(TableDefinition, KeyColumnDirections)
{
    TABULO_NEED_TESTDATA();
    // Jet 3: Table12_asc_desc of jet3-index-codes.mdb (page 88) has an index
    // on data1 ascending, data2 descending, and its primary key on name.
    const Bytes jet3 = readFile(testDataPath(QStringLiteral("jet3-index-codes.mdb")), 88 * 2048, 2048);
    const auto def3 = parseTableDefinition(jet3, Format::Jet3);
    ASSERT_TRUE(def3);
    ASSERT_EQ(def3->realIndexes.size(), 2u);
    EXPECT_EQ(def3->realIndexes[0].columns, (std::vector<int>{1, 2}));
    EXPECT_EQ(def3->realIndexes[0].descending, (std::vector<bool>{false, true}));
    EXPECT_EQ(def3->realIndexes[1].descending, std::vector<bool>{false});

    // Jet 4: Orders of northwind.mdb sorts every key ascending; with the
    // direction byte of its primary key's column cleared, that key sorts
    // descending. The real index entries follow the column entries and
    // names: 63 + 12 per real index + 25 per column + each name with its
    // 2-byte length, 52 bytes an entry, the column slots from byte 4 on.
    Bytes jet4 = readFile(testDataPath(QStringLiteral("northwind.mdb")), 729 * 4096, 4096);
    const auto def4 = parseTableDefinition(jet4, Format::Jet4);
    ASSERT_TRUE(def4);
    for (const RealIndex &real : def4->realIndexes) {
        ASSERT_EQ(real.descending.size(), real.columns.size());
        EXPECT_EQ(std::count(real.descending.begin(), real.descending.end(), true), 0);
    }
    std::size_t at = 63 + 12 * def4->realIndexes.size() + 25 * def4->columns.size();
    for (const ColumnEntry &c : def4->columns)
        at += 2 + c.name.size();
    const auto primary = std::size_t(def4->indexes[6].realIndex);
    jet4[at + 52 * primary + 4 + 2] = 0;
    const auto changed = parseTableDefinition(jet4, Format::Jet4);
    ASSERT_TRUE(changed);
    for (std::size_t r = 0; r < changed->realIndexes.size(); ++r)
        EXPECT_EQ(changed->realIndexes[r].descending, std::vector<bool>(changed->realIndexes[r].columns.size(), r == primary))
            << r;
}

TEST(TableDefinition, DamagedCountsAndChains)
{
    Bytes page(4096, 0);
    page[0] = 2;
    put16(page, 45, 300);  // more columns than Jet allows
    std::string problem;
    EXPECT_FALSE(parseTableDefinition(page, Format::Jet4, &problem));
    EXPECT_EQ(problem, "table definition counts out of range");
    EXPECT_FALSE(parseTableDefinition(page, Format::Ace));

    // Pages 1 and 2 point at each other.
    std::vector<Bytes> pages(4, Bytes(64, 0));
    for (Bytes &p : pages)
        p[0] = 2;
    put32(pages[1], 4, 2);
    put32(pages[2], 4, 1);
    const auto reader = [&](std::uint32_t n, std::span<std::uint8_t> out) {
        if (n >= pages.size())
            return false;
        std::copy(pages[n].begin(), pages[n].end(), out.begin());
        return true;
    };
    EXPECT_FALSE(readTableDefinitionChain(1, 64, reader, &problem));
    EXPECT_EQ(problem, "table definition pages form a loop");
    put32(pages[2], 4, 3);
    pages[3][0] = 1;
    EXPECT_FALSE(readTableDefinitionChain(1, 64, reader, &problem));
    EXPECT_EQ(problem, "not a table definition page");
    pages[3][0] = 2;
    const auto chain = readTableDefinitionChain(1, 64, reader);
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->size(), 64u + 2 * (64 - 8)) << "continuation pages from byte 8 on";
    EXPECT_FALSE(readTableDefinitionChain(9, 64, reader));
}

// A long value chained over pages 1 and 2 of 64 bytes, one row each: what
// follows a row's pointer to the next is the value's part.
TEST(LongValue, ChainsAreFollowedOnceAndALoopIsRefused)
{
    std::vector<Bytes> pages(3, Bytes(64, 0));
    const auto chainRow = [&](std::uint32_t page, std::uint32_t next, const std::string &part) {
        const std::size_t start = 64 - 4 - part.size();
        put16(pages[page], 14, unsigned(start));   // row 0's offset, after the Jet 4 row count
        put32(pages[page], start, next << 8);
        std::copy(part.begin(), part.end(), pages[page].begin() + std::ptrdiff_t(start + 4));
    };
    chainRow(1, 2, "long ");
    chainRow(2, 0, "value");
    int reads = 0;
    const LongValuePages file{64, 12, [&](std::uint32_t n, std::span<std::uint8_t> out) {
        ++reads;
        if (n >= pages.size())
            return false;
        std::copy(pages[n].begin(), pages[n].end(), out.begin());
        return true;
    }};
    Bytes reference(12, 0);
    put32(reference, 4, 1u << 8);   // a chain (no kind bits) from page 1, row 0
    const auto value = readLongValue(reference, {}, file);
    ASSERT_TRUE(value);
    EXPECT_EQ(std::string(value->begin(), value->end()), "long value");

    for (const std::uint32_t back : {1u, 2u}) {
        chainRow(2, back, "value");
        reads = 0;
        std::string problem;
        EXPECT_FALSE(readLongValue(reference, {}, file, &problem)) << "page 2 points back to page " << back;
        EXPECT_EQ(problem, "its chain of long-value pages loops");
        EXPECT_EQ(reads, 2);
    }

    // A bound on the value's length stops the chain at the row that passes it.
    chainRow(2, 0, "value");
    LongValuePages bounded = file;
    bounded.maxSize = 10;
    EXPECT_TRUE(readLongValue(reference, {}, bounded));
    bounded.maxSize = 9;
    reads = 0;
    std::string problem;
    EXPECT_FALSE(readLongValue(reference, {}, bounded, &problem));
    EXPECT_EQ(problem, "its long value is longer than 9 bytes");
    EXPECT_EQ(reads, 2);
}

namespace {

// A Jet 4 property block: names, the object's values, one column's values.
Bytes propertyBlock()
{
    auto utf16 = [](const std::u16string &s) {
        Bytes b;
        for (char16_t c : s) {
            b.push_back(std::uint8_t(c));
            b.push_back(std::uint8_t(c >> 8));
        }
        return b;
    };
    auto chunk = [](std::uint16_t type, const Bytes &body) {
        Bytes b(6, 0);
        put32(b, 0, std::uint32_t(body.size() + 6));
        put16(b, 4, type);
        b.insert(b.end(), body.begin(), body.end());
        return b;
    };
    auto entry = [](int type, std::uint16_t name, const Bytes &value) {
        Bytes b(8, 0);
        put16(b, 0, unsigned(value.size() + 8));
        b[3] = std::uint8_t(type);
        put16(b, 4, name);
        put16(b, 6, unsigned(value.size()));
        b.insert(b.end(), value.begin(), value.end());
        return b;
    };
    auto values = [&](const std::u16string &target, const std::vector<Bytes> &entries) {
        const Bytes name = utf16(target);
        Bytes body(6, 0);
        put16(body, 4, unsigned(name.size()));
        body.insert(body.end(), name.begin(), name.end());
        for (const Bytes &e : entries)
            body.insert(body.end(), e.begin(), e.end());
        put32(body, 0, std::uint32_t(body.size()));
        return body;
    };
    Bytes names;
    for (const std::u16string &n : {std::u16string(u"Required"), std::u16string(u"DefaultValue"),
                                    std::u16string(u"Caption"), std::u16string(u"Größe")}) {
        const Bytes u = utf16(n);
        names.push_back(std::uint8_t(u.size()));
        names.push_back(0);
        names.insert(names.end(), u.begin(), u.end());
    }
    Bytes block{'M', 'R', '2', 0};
    for (const Bytes &c : {chunk(0x80, names), chunk(0x00, values(u"", {entry(10, 2, utf16(u"Orders"))})),
                           chunk(0x01, values(u"ID", {entry(3, 3, {0x07, 0x00, 0x00, 0x00}), entry(1, 0, {0xFF}),
                                                      entry(10, 1, utf16(u"=\"x\""))}))})
        block.insert(block.end(), c.begin(), c.end());
    return block;
}

}  // namespace

TEST(PropertyBlock, ReadsEveryPropertyInStoredOrderWithItsType)
{
    const Bytes bytes = propertyBlock();
    const auto block = parsePropertyBlock(bytes, Format::Jet4);
    ASSERT_TRUE(block);
    ASSERT_EQ(block->sets.size(), 2u);
    const PropertySet &object = block->sets[0], &id = block->sets[1];
    EXPECT_TRUE(object.target.empty());
    ASSERT_TRUE(block->value(object, "Caption"));
    EXPECT_EQ(Bytes(id.target.begin(), id.target.end()), (Bytes{'I', 0, 'D', 0}));
    ASSERT_EQ(id.properties.size(), 3u);
    // A name that is not plain ASCII keeps its stored bytes for the caller to decode.
    const Property &size = id.properties[0];
    EXPECT_EQ(block->name(size).ascii, "");
    EXPECT_EQ(Bytes(block->name(size).stored.begin(), block->name(size).stored.end()),
              (Bytes{'G', 0, 'r', 0, 0xF6, 0, 0xDF, 0, 'e', 0}));
    EXPECT_EQ(size.type, 3);
    EXPECT_EQ(Bytes(size.bytes.begin(), size.bytes.end()), (Bytes{0x07, 0, 0, 0}));
    EXPECT_EQ(block->name(id.properties[1]).ascii, "Required");
    EXPECT_EQ(id.properties[1].type, 1);
    EXPECT_EQ(block->name(id.properties[2]).ascii, "DefaultValue");
    EXPECT_EQ(id.properties[2].type, 10);
    EXPECT_EQ(id.properties[2].bytes.size(), 8u);
    EXPECT_EQ(block->value(id, "DefaultValue"), &id.properties[2]);
    EXPECT_FALSE(block->value(id, "Caption"));

    static constexpr std::string_view wanted[] = {"Required"};
    const auto some = parsePropertyBlock(bytes, Format::Jet4, wanted);
    ASSERT_EQ(some->sets[1].properties.size(), 1u);
    EXPECT_TRUE(some->value(some->sets[1], "Required"));
    EXPECT_FALSE(parsePropertyBlock(bytes, Format::Jet3)) << "Jet 3 blocks start with KKD";
}

TEST(PropertyBlock, CutOrInflatedBlocksKeepWhatComesBeforeTheDamage)
{
    const Bytes block = propertyBlock();
    std::string problem;
    EXPECT_FALSE(parsePropertyBlock(std::span(block.data(), 3), Format::Jet4, {}, &problem));
    EXPECT_EQ(problem, "property block too short");
    for (std::size_t length = 4; length < block.size(); ++length) {
        const auto cut = parsePropertyBlock(std::span(block.data(), length), Format::Jet4);
        ASSERT_TRUE(cut) << length;
        EXPECT_LE(cut->sets.size(), 2u);
        // Only a cut at a chunk boundary reads whole.
        if (cut->damage.empty()) {
            EXPECT_LE(cut->sets.size(), 1u) << length;
        }
    }
    Bytes inflated = block;
    put32(inflated, 4, 0x7FFFFFFF);
    const auto none = parsePropertyBlock(inflated, Format::Jet4);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->sets.empty());
    EXPECT_EQ(none->damage, "property chunk length out of range");

    // The column's last entry (DefaultValue, 16 bytes) claims more than its chunk.
    Bytes longEntry = block;
    put16(longEntry, longEntry.size() - 16, 0xFFFF);
    const auto part = parsePropertyBlock(longEntry, Format::Jet4);
    ASSERT_TRUE(part);
    EXPECT_EQ(part->damage, "property entry length out of range");
    ASSERT_EQ(part->sets.size(), 2u);
    EXPECT_TRUE(part->value(part->sets[0], "Caption"));
    EXPECT_TRUE(part->value(part->sets[1], "Required"));
    EXPECT_FALSE(part->value(part->sets[1], "DefaultValue"));
    EXPECT_TRUE(parsePropertyBlock(block, Format::Jet4)->damage.empty());

    // A names chunk whose type is damaged still stands first and reads as
    // names: it is taken for them.
    Bytes unknownKind = block;
    unknownKind[8] = 0x7F;
    const auto named = parsePropertyBlock(unknownKind, Format::Jet4);
    ASSERT_TRUE(named);
    EXPECT_EQ(named->damage, "property chunk of unknown type 127");
    ASSERT_EQ(named->sets.size(), 2u);
    EXPECT_TRUE(named->value(named->sets[0], "Caption"));
    EXPECT_TRUE(named->value(named->sets[1], "DefaultValue"));
    // Any other chunk of unknown kind is passed over.
    Bytes unknownValues = block;
    unknownValues[4 + u32(block, 4) + 4] = 0x7F;   // the object's values
    const auto columnOnly = parsePropertyBlock(unknownValues, Format::Jet4);
    ASSERT_TRUE(columnOnly);
    EXPECT_EQ(columnOnly->damage, "property chunk of unknown type 127");
    ASSERT_EQ(columnOnly->sets.size(), 1u);
    EXPECT_TRUE(columnOnly->value(columnOnly->sets[0], "DefaultValue"));
}

TEST(PropertyValue, StoredNumbersAndGuids)
{
    EXPECT_EQ(storedInteger(dao::dbByte, Bytes{0xFF}), 255);
    EXPECT_EQ(storedInteger(dao::dbInteger, Bytes{0xFF, 0xFF}), -1);
    // Jet writes some Integer values in four bytes, sign-extended.
    EXPECT_EQ(storedInteger(dao::dbInteger, Bytes{0xFF, 0xFF, 0xFF, 0xFF}), -1);
    EXPECT_EQ(storedInteger(dao::dbInteger, Bytes{0x12, 0x0C, 0, 0}), 3090);
    EXPECT_EQ(storedInteger(dao::dbLong, Bytes{0, 0, 0, 0x80}), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(storedInteger(dao::dbCurrency, Bytes{0, 0, 0, 0, 0, 0, 0, 0x80}),
              std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(storedReal(Bytes{0xCD, 0xCC, 0xCC, 0x3D}), double(0.1f));
    EXPECT_TRUE(fitsType(dao::dbInteger, 4));
    EXPECT_TRUE(fitsType(dao::dbBoolean, 4));
    EXPECT_FALSE(fitsType(dao::dbInteger, 3));
    EXPECT_FALSE(fitsType(dao::dbDouble, 4));
    EXPECT_FALSE(fitsType(dao::dbGUID, 15));
    EXPECT_TRUE(fitsType(dao::dbMemo, 0));
    EXPECT_EQ(daoPropertyType(16), dao::dbDecimal);
    EXPECT_EQ(daoPropertyType(12), dao::dbMemo);

    const Bytes guid{0x6E, 0x80, 0xEB, 0x13, 0xEE, 0x3C, 0x81, 0x40, 0x87, 0xDE, 0x61, 0xFA, 0x88, 0xB7, 0xFB, 0x28};
    EXPECT_EQ(guidText(guid), "{13EB806E-3CEE-4081-87DE-61FA88B7FB28}");
    EXPECT_EQ(guidText(Bytes(15, 0)), "");
}

TEST(PropertyValue, CurrencyTextIsExactBothWays)
{
    const struct {
        std::int64_t value;
        const char *text;
    } cases[] = {
        {0, "0"}, {5000, "0.5"}, {1, "0.0001"}, {-1, "-0.0001"}, {-1234567, "-123.4567"}, {120000, "12"},
        {std::numeric_limits<std::int64_t>::max(), "922337203685477.5807"},
        {std::numeric_limits<std::int64_t>::min(), "-922337203685477.5808"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(schema::currencyText(c.value), c.text);
        EXPECT_EQ(schema::currencyFromText(c.text), c.value) << c.text;
    }
    EXPECT_EQ(schema::currencyFromText("12.50"), 125000);
    EXPECT_EQ(schema::currencyFromText("007"), 70000);
    for (const char *bad : {"", "-", ".5", "5.", "1.23456", "1e3", "+1", " 1", "1,5", "0x10", "--1",
                            "922337203685477.5808", "-922337203685477.5809", "99999999999999999999"})
        EXPECT_FALSE(schema::currencyFromText(bad)) << bad;
}
