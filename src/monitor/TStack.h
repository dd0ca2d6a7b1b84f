#pragma once

#include "ComTypes.h"
#include "TOperation.h"

#include <memory>
#include <vector>

namespace sorvik {

// Last-in-first-out store of the operations left pending.
class TStack
{
public:
    void push(std::unique_ptr<TOperation> operation) { m_items.push_back(std::move(operation)); }
    std::unique_ptr<TOperation> pop()
    {
        if (m_items.empty())
            throw EGenericAlg(QStringLiteral("Stack is empty"));
        auto top = std::move(m_items.back());
        m_items.pop_back();
        return top;
    }
    bool empty() const { return m_items.empty(); }
    int size() const { return int(m_items.size()); }

private:
    std::vector<std::unique_ptr<TOperation>> m_items;
};

} // namespace sorvik
