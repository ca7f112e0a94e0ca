#include "workbook/xlsx/xml.h"

#include <expat.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>
#include <thread>
#include <vector>


namespace wb::xlsx {

std::string_view localName(const char* name)
{
    // One pass: this runs for every element and attribute of a sheet.
    const char* start = name;
    const char* p = name;
    for (; *p; ++p) {
        if (*p == ':')
            start = p + 1;
    }
    return std::string_view(start, static_cast<std::size_t>(p - start));
}

const char* attribute(const char** attributes, std::string_view name)
{
    for (const char** a = attributes; a && a[0]; a += 2) {
        if (localName(a[0]) == name)
            return a[1];
    }
    return nullptr;
}

std::string LimitText(unsigned long long bytes)
{
    if (bytes >= (1ULL << 30) && bytes % (1ULL << 30) == 0)
        return std::to_string(bytes >> 30) + " GiB";
    if (bytes >= (1ULL << 20) && bytes % (1ULL << 20) == 0)
        return std::to_string(bytes >> 20) + " MiB";
    if (bytes >= (1ULL << 10) && bytes % (1ULL << 10) == 0)
        return std::to_string(bytes >> 10) + " KiB";
    return std::to_string(bytes) + " bytes";
}

void XmlHandler::fail(std::string reason)
{
    if (failure_.empty())
        failure_ = reason.empty() ? "the file is damaged" : std::move(reason);
    if (parser_)
        XML_StopParser(static_cast<XML_Parser>(parser_), XML_FALSE);
}

// One expat parser fed with one part; owns the parser.
class XmlRun {
public:
    explicit XmlRun(XmlHandler& handler) : handler_(handler), parser_(XML_ParserCreate("UTF-8"))
    {
        if (!parser_)
            return;
        handler_.parser_ = parser_;
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, &XmlRun::onStart, &XmlRun::onEnd);
        XML_SetCharacterDataHandler(parser_, &XmlRun::onText);
        XML_SetStartDoctypeDeclHandler(parser_, &XmlRun::onDoctype);
    }
    ~XmlRun()
    {
        handler_.parser_ = nullptr;
        if (parser_)
            XML_ParserFree(parser_);
    }
    XmlRun(const XmlRun&) = delete;
    XmlRun& operator=(const XmlRun&) = delete;

    bool ok() const { return parser_ != nullptr; }

    bool feed(const char* data, std::size_t length, bool last)
    {
        if (XML_Parse(parser_, data, static_cast<int>(length), last ? XML_TRUE : XML_FALSE) == XML_STATUS_OK) {
            fed_ += static_cast<long long>(length);
            if (fed_ - lastEvent_ <= kMaxTokenBytes)
                return true;
            handler_.failTooLarge(kTagTooLong);
            return false;
        }
        if (!handler_.failed()) {
            handler_.failure_ = std::string("not well-formed XML (") + XML_ErrorString(XML_GetErrorCode(parser_))
                + " at line " + std::to_string(XML_GetCurrentLineNumber(parser_)) + ")";
        }
        return false;
    }

private:
    static void XMLCALL onStart(void* self, const XML_Char* name, const XML_Char** attributes)
    {
        auto* run = static_cast<XmlRun*>(self);
        run->noteEvent();
        if (++run->depth_ > kMaxXmlDepth) {
            run->handler_.fail("elements nested too deeply");
            return;
        }
        run->handler_.start(localName(name), attributes);
    }
    static void XMLCALL onEnd(void* self, const XML_Char* name)
    {
        auto* run = static_cast<XmlRun*>(self);
        run->noteEvent();
        --run->depth_;
        run->handler_.end(localName(name));
    }
    static void XMLCALL onText(void* self, const XML_Char* data, int length)
    {
        auto* run = static_cast<XmlRun*>(self);
        run->noteEvent();
        run->handler_.text(data, length);
    }
    static void XMLCALL onDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int)
    {
        static_cast<XmlRun*>(self)->handler_.fail("a document type declaration, which workbook parts never have");
    }

    void noteEvent() { lastEvent_ = XML_GetCurrentByteIndex(parser_); }

    XmlHandler& handler_;
    XML_Parser parser_;
    int depth_ = 0;
    long long fed_ = 0;        // bytes handed to expat so far
    long long lastEvent_ = 0;  // input position of the latest event
};

namespace {

// Inflated chunks on their way from the thread that inflates to the one that parses. At
// most kMaxChunks wait at once, so the memory stays a few chunks whatever the part's size;
// buffers go back and forth rather than being allocated for each chunk.
class ChunkQueue {
public:
    static constexpr std::size_t kMaxChunks = 8;

    // From the inflating thread: the chunk's first `length` bytes are queued, the buffer
    // itself taken over and `chunk` given a spare one; false once the parser has stopped.
    bool push(std::vector<char>& chunk, std::size_t length)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        roomFree_.wait(lock, [this] { return full_.size() < kMaxChunks || stopped_; });
        if (stopped_)
            return false;
        full_.push_back(Chunk{std::move(chunk), length});
        chunk.clear();
        if (!spare_.empty()) {
            chunk = std::move(spare_.back());
            spare_.pop_back();
        }
        chunkReady_.notify_one();
        return true;
    }
    // From the inflating thread, when it is done (successfully or not).
    void finish()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
        chunkReady_.notify_one();
    }
    // A chunk's buffer and how many of its bytes were inflated.
    struct Chunk {
        std::vector<char> bytes;
        std::size_t length = 0;
    };

    // From the parsing thread: the next chunk, or false at the end. The buffer of the
    // chunk it held goes back to the inflating thread.
    bool pop(Chunk& chunk)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!chunk.bytes.empty())
            spare_.push_back(std::move(chunk.bytes));
        chunkReady_.wait(lock, [this] { return !full_.empty() || finished_; });
        if (full_.empty())
            return false;
        chunk = std::move(full_.front());
        full_.pop_front();
        roomFree_.notify_one();
        return true;
    }
    // From the parsing thread: no more chunks are wanted.
    void stop()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
        roomFree_.notify_one();
    }

private:
    std::mutex mutex_;
    std::condition_variable chunkReady_;
    std::condition_variable roomFree_;
    std::deque<Chunk> full_;
    std::vector<std::vector<char>> spare_;
    bool finished_ = false;
    bool stopped_ = false;
};

}  // namespace

bool readPartAhead(ZipArchive& zip, const std::string& part,
                   const std::function<bool(const char*, std::size_t)>& consume, std::string& error)
{
    ChunkQueue queue;
    bool read = false;
    bool outOfMemory = false;
    std::string readError;
    std::thread inflater([&] {
        try {
            read = zip.readChunks(
                part, [&queue](std::vector<char>& chunk, std::size_t length) { return queue.push(chunk, length); },
                readError);
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
        queue.finish();
    });
    // Whatever way this thread leaves (the consumer stops, or runs out of memory), the
    // inflating thread is stopped and waited for.
    struct Joiner {
        ChunkQueue& queue;
        std::thread& thread;
        ~Joiner()
        {
            queue.stop();
            thread.join();
        }
    };
    bool consumed = true;
    {
        Joiner joiner{queue, inflater};
        ChunkQueue::Chunk chunk;
        while (queue.pop(chunk)) {
            if (!consume(chunk.bytes.data(), chunk.length)) {
                consumed = false;
                break;
            }
        }
    }
    if (outOfMemory)
        throw std::bad_alloc();
    if (!consumed)
        return false;
    if (!read)
        error = readError;
    return read;
}

bool parsePart(ZipArchive& zip, const std::string& part, XmlHandler& handler, std::string& error,
               ReadProgress* progress)
{
    XmlRun run(handler);
    if (!run.ok()) {
        error = "out of memory";
        return false;
    }
    // A chunk is at most 256 KiB, well within expat's int length.
    bool read = zip.read(
        part,
        [&run, progress](const char* data, std::size_t length) {
            return (!progress || progress->advance(length)) && run.feed(data, length, false);
        },
        error);
    if (progress && progress->stopped()) {
        error = kReadCancelled;
        return false;
    }
    if (read)
        read = run.feed("", 0, true);
    if (handler.failed()) {
        error = handler.failureOf(part);
        return false;
    }
    return read;
}

}  // namespace wb::xlsx
