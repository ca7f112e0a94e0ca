#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "workbook/cells/read_progress.h"
#include "workbook/xlsx/zip.h"

namespace wb::xlsx {

// Deepest element nesting accepted; real parts nest fewer than ten levels.
inline constexpr int kMaxXmlDepth = 256;
// Longest stretch of input without a parser event (one tag with its attributes):
// expat keeps a whole tag in memory, so a gigantic one is refused rather than held.
inline constexpr long long kMaxTokenBytes = 4LL << 20;
// The refusal of a tag over kMaxTokenBytes.
inline constexpr char kTagTooLong[] = "a tag longer than the reader accepts (4 MiB)";
// Longest text kept for one cell or shared string; a cell holds at most 32,767
// characters (at most four bytes each in UTF-8).
inline constexpr std::size_t kMaxTextBytes = 1 << 20;

// Receives the elements of one part. Names come without their prefix (local names),
// so prefixed, transitional and strict files read alike; namespaces are not checked.
class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    // `attributes` is expat's list: name, value, name, value, ..., nullptr.
    virtual void start(std::string_view name, const char** attributes) = 0;
    virtual void end(std::string_view name) = 0;
    // Character data, possibly in several pieces for one text.
    virtual void text(const char* data, int length) { (void)data; (void)length; }

    // Stops the parse; parsePart then returns false with this reason.
    void fail(std::string reason);
    // The same for a part that is not damaged but larger than the reader takes; the
    // reason names the limit.
    void failTooLarge(std::string reason)
    {
        tooLarge_ = failure_.empty();
        fail(std::move(reason));
    }
    bool failed() const { return !failure_.empty(); }
    const std::string& failure() const { return failure_; }
    // The error for a failed part: "the file is damaged (part: reason)", or "too large".
    std::string failureOf(const std::string& part) const
    {
        return std::string(tooLarge_ ? "the file is too large (" : "the file is damaged (") + part + ": " + failure_ + ")";
    }

private:
    friend class XmlRun;
    void* parser_ = nullptr;
    std::string failure_;
    bool tooLarge_ = false;
};

// What a refusal says of the limit it met: "4 MiB" for 4 << 20.
std::string LimitText(unsigned long long bytes);

// The local part of an element or attribute name ("x:c" -> "c").
std::string_view localName(const char* name);
// The value of the attribute with this local name, or nullptr.
const char* attribute(const char** attributes, std::string_view name);

// Streams a part of the archive through expat into the handler. False with a reason
// when the part is missing or damaged, is not well-formed XML, declares a DTD (no
// workbook part has one; refusing it shuts out entity expansion), nests deeper than
// kMaxXmlDepth, has a tag longer than kMaxTokenBytes or when the handler failed.
// The inflated bytes are counted in `progress` (when given); a read it stops returns
// false with kReadCancelled.
bool parsePart(ZipArchive& zip, const std::string& part, XmlHandler& handler, std::string& error,
               ReadProgress* progress = nullptr);

// Hands the part's inflated bytes to `consume` in order, as ZipArchive::read does, but
// inflates on a second thread meanwhile (at most a few chunks ahead). False with the
// archive's reason when the part cannot be read, and without one when `consume` stopped.
bool readPartAhead(ZipArchive& zip, const std::string& part,
                   const std::function<bool(const char*, std::size_t)>& consume, std::string& error);

}  // namespace wb::xlsx
