// IZRRecordSet / CZRRecordSet: an ordered list of values with one cursor.
//
// The cursor starts unpositioned: until a Move operation runs, IsEOF() is true, Insert
// fails and GetCurrent() gives a default value. The end position lies after the last
// element; Insert after MoveEnd() appends. Operations that do not apply (writing to a
// read-only set, moving an unpositioned cursor) do nothing and return false or a default
// value; nothing here throws.
//
// The values are kept in one array (with the cursor as an index), so that appending, the
// common case, costs no allocation per value; inserting elsewhere moves the values after
// the cursor.
//
// Thread-safety: one thread at a time; hand a copy (a clone) to another user.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

template <class T>
class IZRRecordSet {
  public:
    virtual int32_t GetCount() const = 0;
    virtual void MoveFirst() = 0;
    virtual void MoveLast() = 0;
    virtual void MoveEnd() = 0;
    virtual void MoveNext() = 0;
    virtual void MovePrev() = 0;
    virtual bool IsBOF() const = 0;
    virtual bool IsEOF() const = 0;
    virtual bool IsEmpty() const = 0;
    virtual void Reverse() = 0;
    virtual T GetCurrent() const = 0;
    virtual bool IsReadOnly() const = 0;
    virtual bool Insert(const T& value) = 0;
    virtual T RemoveCurrent() = 0;
    virtual void DeleteCurrent() = 0;
    virtual void Clear() = 0;

  protected:
    ~IZRRecordSet() = default;
};

template <class T>
class CZRRecordSet : public IZRRecordSet<T> {
  public:
    explicit CZRRecordSet(bool readOnly = false) : m_readOnly(readOnly) {}
    CZRRecordSet(const CZRRecordSet&) = delete;
    CZRRecordSet& operator=(const CZRRecordSet&) = delete;

    int32_t GetCount() const override { return static_cast<int32_t>(m_items.size()); }
    void MoveFirst() override {
        m_cursor = 0;
        m_positioned = true;
    }
    void MoveLast() override {
        m_cursor = m_items.empty() ? 0 : m_items.size() - 1;
        m_positioned = true;
    }
    void MoveEnd() override {
        m_cursor = m_items.size();
        m_positioned = true;
    }
    void MoveNext() override {
        if (m_positioned && m_cursor < m_items.size())
            ++m_cursor;
    }
    void MovePrev() override {
        if (m_positioned && !m_items.empty() && m_cursor > 0)
            --m_cursor;
    }
    bool IsBOF() const override { return m_positioned && m_cursor == 0; }
    bool IsEOF() const override { return !m_positioned || m_cursor >= m_items.size(); }
    bool IsEmpty() const override { return m_items.empty(); }
    void Reverse() override {
        if (m_items.size() >= 2)
            std::reverse(m_items.begin(), m_items.end());
        MoveFirst();
    }
    T GetCurrent() const override {
        if (IsEOF())
            return T();
        return m_items[m_cursor];
    }
    bool IsReadOnly() const override { return m_readOnly; }
    bool Insert(const T& value) override {
        if (m_readOnly || !m_positioned)
            return false;
        m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(m_cursor), value);
        return true;
    }
    T RemoveCurrent() override {
        if (m_readOnly || IsEOF())
            return T();
        T removed = m_items[m_cursor];
        m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(m_cursor));
        return removed;
    }
    void DeleteCurrent() override {
        if (!m_readOnly && !IsEOF())
            m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(m_cursor));
    }
    void Clear() override {
        if (m_readOnly)
            return;
        m_items.clear();
        MoveFirst();
    }

  protected:
    // For building sets, read-only ones included: the values themselves, without moving
    // the cursor.
    std::vector<T>& _items() { return m_items; }
    const std::vector<T>& _items() const { return m_items; }

  private:
    std::vector<T> m_items;
    size_t m_cursor = 0;
    bool m_positioned = false;
    bool m_readOnly;
};
