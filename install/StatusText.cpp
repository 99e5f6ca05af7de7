#include "StatusText.h"

#include "InstallMessages.h"

#include <cstring>
#include <type_traits>

CStatusTextPool g_statusTexts;

const char* CStatusTextPool::Acquire(const char* pszText)
{
    Node* node = m_pHead;
    // Acquire pairs with Release's store: the receiver's last read happens before our overwrite.
    while (node && node->out.load(std::memory_order_acquire)) node = node->next;
    if (!node) {
        node = new Node;
        node->next = m_pHead;
        m_pHead = node;
    }
    node->out.store(1, std::memory_order_relaxed);
    std::strncpy(node->text, pszText ? pszText : "", kTextSize - 1);
    node->text[kTextSize - 1] = '\0';
    return node->text;
}

void CStatusTextPool::Release(const char* pszText)
{
    static_assert(std::is_standard_layout<Node>::value, "text must sit at the node's address");
    if (!pszText) return;
    Node* node = reinterpret_cast<Node*>(const_cast<char*>(pszText));
    node->out.store(0, std::memory_order_release);
}

void CStatusTextPool::FreeAll()
{
    while (m_pHead) {
        Node* next = m_pHead->next;
        delete m_pHead;
        m_pHead = next;
    }
}

size_t CStatusTextPool::GetBufferCount() const
{
    size_t n = 0;
    for (Node* node = m_pHead; node; node = node->next) ++n;
    return n;
}

void InstallReleaseStatusText(intptr_t lParam) { CStatusTextPool::Release(reinterpret_cast<const char*>(lParam)); }

void InstallFreeStatusTexts() { g_statusTexts.FreeAll(); }
