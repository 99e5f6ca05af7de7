// The buffers that carry WM_INSTALL_STATUS texts (see InstallMessages.h for the receiver's side).
//
// One thread, the sender, takes buffers with Acquire; any thread gives one back with Release. A
// buffer is reused only after it has been given back, so a text stays unchanged until its receiver
// is done with it, however far the sender has moved on. The sender never waits: when every buffer
// is still out, it allocates a new one. No lock: a buffer's state is one atomic word, written by
// the sender when it takes the buffer and by the releaser when it gives it back.
#pragma once

#include <atomic>
#include <cstddef>

class CStatusTextPool {
public:
    enum { kTextSize = 257 };

    CStatusTextPool() = default;
    CStatusTextPool(const CStatusTextPool&) = delete;
    CStatusTextPool& operator=(const CStatusTextPool&) = delete;
    ~CStatusTextPool() { FreeAll(); }

    // Sender only: a buffer holding a copy of pszText (cut to kTextSize - 1 bytes), owned by the
    // pool and out until Release. Throws std::bad_alloc when a new buffer is needed and none can
    // be had.
    const char* Acquire(const char* pszText);
    // Gives back a buffer that Acquire returned; null is ignored.
    static void Release(const char* pszText);
    // Frees all buffers, given back or not; see InstallFreeStatusTexts for when that is allowed.
    void FreeAll();
    // Buffers the pool holds (for tests: reuse keeps this small).
    size_t GetBufferCount() const;

private:
    struct Node {
        char text[kTextSize];  // first member: a text's address is its node's address
        std::atomic<int> out{0};
        Node* next = nullptr;
    };
    Node* m_pHead = nullptr;
};

// The pool that the installation worker sends its texts from.
extern CStatusTextPool g_statusTexts;
