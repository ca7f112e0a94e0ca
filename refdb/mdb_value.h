#pragma once

#include <cstdint>
#include <string>

// One field value of a row, tagged the way an automation variant is, so that the
// recordset's getters can convert by the variant kind the way ADO's callers expect.
struct DbValue {
    enum Kind : std::uint16_t {
        kindEmpty = 0,
        kindNull = 1,
        kindInt16 = 2,
        kindInt32 = 3,
        kindFloat = 4,
        kindDouble = 5,
        kindCurrency = 6,  // money, integer count of 1/10000
        kindDate = 7,      // days since 30 December 1899, time of day as the fraction
        kindText = 8,      // UTF-8
        kindBool = 11,
        kindDecimal = 14,  // kept as its double value
        kindByte = 17,
        kindBinary = 0x2011  // array of bytes, held in text
    };

    Kind kind = kindEmpty;
    union {
        std::int16_t int16;
        std::int32_t int32;
        float single;
        double real;  // kindDouble, kindDate, kindDecimal
        std::int64_t currency;
        bool boolean;
        std::uint8_t byte;
    };
    std::string text;  // kindText, kindBinary

    DbValue() : real(0) {}

    static DbValue null()
    {
        DbValue v;
        v.kind = kindNull;
        return v;
    }
    bool isNull() const { return kind == kindNull || kind == kindEmpty; }
};
