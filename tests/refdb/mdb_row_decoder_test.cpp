// Text and fixed-size value decoding from raw row bytes, for the cases the Jet 4
// writer does not produce: Jet 3 code page texts, surrogate pairs, damaged lengths.

#include <gtest/gtest.h>

#include <mdbtools.h>

#include "refdb/mdb_row_decoder.h"

namespace {

std::string decode(const std::string& bytes, bool jet3 = false)
{
    return decodeJetText(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), jet3);
}

TEST(JetText, Utf16AndItsCompressedForm)
{
    EXPECT_EQ(decode(std::string("A\0\xE9\0", 4)), "A\xC3\xA9");
    // FF FE, then one byte per character until a zero byte switches to two bytes.
    EXPECT_EQ(decode(std::string("\xFF\xFE" "ab\0\xAC\x20", 7)), "ab\xE2\x82\xAC");
    // U+1F600 as a surrogate pair; a lone surrogate becomes U+FFFD.
    EXPECT_EQ(decode(std::string("\x3D\xD8\x00\xDE", 4)), "\xF0\x9F\x98\x80");
    EXPECT_EQ(decode(std::string("\x3D\xD8", 2)), "\xEF\xBF\xBD");
    // An odd trailing byte of a damaged value is dropped, never read past.
    EXPECT_EQ(decode(std::string("A\0B", 3)), "A");
    EXPECT_EQ(decode(""), "");
}

TEST(JetText, Jet3CodePage1252)
{
    EXPECT_EQ(decode("\x80 \xE9 a", true), "\xE2\x82\xAC \xC3\xA9 a");
    EXPECT_EQ(decode("\x81", true), "\xEF\xBF\xBD");
}

TEST(FixedValues, DecodedLittleEndianAndNullWhenTooShort)
{
    const unsigned char money[8] = {0x40, 0xE2, 0x01, 0, 0, 0, 0, 0};  // 123456 = 12.3456
    DbValue m = decodeFixedValue(MDB_MONEY, money, 8, 0);
    EXPECT_EQ(m.kind, DbValue::kindCurrency);
    EXPECT_EQ(m.currency, 123456);
    const unsigned char shortValue[2] = {0xFE, 0xFF};
    EXPECT_EQ(decodeFixedValue(MDB_INT, shortValue, 2, 0).int16, -2);
    EXPECT_TRUE(decodeFixedValue(MDB_LONGINT, shortValue, 2, 0).isNull());
    // Decimal: sign byte, then 4 words most significant first; 12345 with scale 2 is 123.45.
    unsigned char numeric[17] = {0x80};
    numeric[13] = 0x39;
    numeric[14] = 0x30;
    DbValue d = decodeFixedValue(MDB_NUMERIC, numeric, 17, 2);
    EXPECT_EQ(d.kind, DbValue::kindDecimal);
    EXPECT_DOUBLE_EQ(d.real, -123.45);
}

}  // namespace
