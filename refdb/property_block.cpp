#include "refdb/property_block.h"

#include <cstddef>

// Records must each be long enough to move on and lie within the block and their parents.
bool propertyBlockIsSound(std::string_view block)
{
    auto at16 = [&](std::size_t at) {
        return static_cast<std::size_t>(static_cast<unsigned char>(block[at]))
               | static_cast<std::size_t>(static_cast<unsigned char>(block[at + 1])) << 8;
    };
    auto at32 = [&](std::size_t at) { return at16(at) | at16(at + 2) << 16; };
    if (block.size() < 4)
        return block.empty();  // libmdb would compare a signature past its end
    if (block.substr(0, 4) != std::string_view("KKD\0", 4) && block.substr(0, 4) != std::string_view("MR2\0", 4))
        return true;  // libmdb leaves a block of another kind alone
    std::size_t names = 0;
    bool namesSeen = false;
    for (std::size_t pos = 4; pos < block.size();) {
        if (pos + 6 > block.size())
            return false;
        const std::size_t recordLength = at32(pos);
        const std::size_t type = at16(pos + 4);
        if (recordLength < 6 || recordLength > block.size() - pos)
            return false;
        const std::string_view record = block.substr(pos + 6, recordLength - 6);
        if (type == 0x80) {
            // The property names: a 16-bit length before each.
            names = 0;
            namesSeen = true;
            for (std::size_t at = 0; at < record.size(); ++names) {
                if (at + 2 > record.size())
                    return false;
                const std::size_t length = at16(pos + 6 + at);
                if (length > record.size() - at - 2)
                    return false;
                at += 2 + length;
            }
        } else if (type <= 2 && namesSeen) {
            // A block of values: its own length and name, then a record per property.
            if (record.size() < 6)
                return false;
            std::size_t at = 6 + at16(pos + 6 + 4);
            if (at > record.size())
                return false;
            while (at < record.size()) {
                if (at + 8 > record.size())
                    return false;
                const std::size_t valueLength = at16(pos + 6 + at);
                const std::size_t name = at16(pos + 6 + at + 4);
                const std::size_t dataSize = at16(pos + 6 + at + 6);
                if (name >= names || at + 8 + dataSize > record.size())
                    break;  // where libmdb stops reading this block
                if (valueLength == 0)
                    return false;
                at += valueLength;
            }
        }
        pos += recordLength;
    }
    return true;
}

