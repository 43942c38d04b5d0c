// The shared string buffer: string-returning operations write their result at a position the
// caller hands them, and the caller copies it out with StringAssign.
#include "core_internal.h"

#include <string.h>

const char EmptyString[1] = {0};

namespace {

constexpr SIZE_T STRING_HEAP_INITIAL_SIZE = 4096;
constexpr int32_t STRING_BUFFER_INITIAL_CAPACITY = 16;
constexpr int32_t STRING_BUFFER_GROWTH = 16384;
// Room kept free at the end of the buffer and behind every string variable, so that copies may
// move whole 32-bit words.
constexpr int32_t STRING_SLACK_BELOW_END = 4;
constexpr int32_t STRING_SLACK = 5;

struct StringBufferState {
    HANDLE heap;
    char* base;
    int32_t capacity;
    int32_t position;
};
StringBufferState buffer;

} // namespace

void StringBufferStart() {
    buffer.heap = HeapCreate(HEAP_NO_SERIALIZE, STRING_HEAP_INITIAL_SIZE, 0);
    buffer.position = 0;
    buffer.capacity = 0;
    buffer.base = nullptr;
    if (!buffer.heap) return;
    buffer.base =
        static_cast<char*>(HeapAlloc(buffer.heap, HEAP_NO_SERIALIZE, STRING_BUFFER_INITIAL_CAPACITY));
    if (buffer.base) buffer.capacity = STRING_BUFFER_INITIAL_CAPACITY;
}

int32_t StringBufferPosition() {
    return buffer.position;
}
int32_t StringBufferCapacity() {
    return buffer.capacity;
}

char* StringBufferReserve(int32_t length, int32_t start) {
    if (!buffer.base || length < 0 || start < 0) return nullptr;
    // Grow from whichever lies further out, the position or the caller's start, so that a
    // start beyond the position can never write past the end.
    int64_t from = start > buffer.position ? start : buffer.position;
    int64_t end = from + length;
    if (end >= buffer.capacity - STRING_SLACK_BELOW_END) {
        int64_t capacity = end + STRING_BUFFER_GROWTH;
        if (capacity + STRING_SLACK > INT32_MAX) return nullptr;
        void* grown = HeapReAlloc(buffer.heap, HEAP_NO_SERIALIZE, buffer.base,
                                  static_cast<SIZE_T>(capacity + STRING_SLACK));
        if (!grown) return nullptr;
        buffer.base = static_cast<char*>(grown);
        buffer.capacity = static_cast<int32_t>(capacity);
    }
    buffer.position = start + length;
    return buffer.base + start;
}

void StringBufferShrink(int32_t count) {
    // In 64 bits, so that no count can wrap the position round; it stays inside the buffer.
    int64_t position = static_cast<int64_t>(buffer.position) - count;
    if (position < 0) position = 0;
    if (position > buffer.capacity) position = buffer.capacity;
    buffer.position = static_cast<int32_t>(position);
}

void StringAssign(StringVariable* variable, int32_t start) {
    if (start < 0) start = 0;
    int32_t length = buffer.position - start;
    if (length < 0) length = 0;
    buffer.position = start;
    if (!variable || !buffer.heap) return;

    SIZE_T size = static_cast<SIZE_T>(length) + STRING_SLACK;
    void* block = *variable ? HeapReAlloc(buffer.heap, HEAP_NO_SERIALIZE, *variable, size)
                            : HeapAlloc(buffer.heap, HEAP_NO_SERIALIZE, size);
    // Without memory the variable keeps its old text rather than pointing nowhere.
    if (!block) return;
    char* text = static_cast<char*>(block);
    if (length > 0) memcpy(text, buffer.base + start, static_cast<size_t>(length));
    text[length] = 0;
    *variable = text;
}

int32_t StringsEqual(const char* a, const char* b) {
    if (!a) a = EmptyString;
    if (!b) b = EmptyString;
    return strcmp(a, b) == 0 ? 1 : 0;
}
