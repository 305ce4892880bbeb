// IZRRecordSet / CZRRecordSet: an ordered list of values with one cursor.
//
// The cursor starts unpositioned: until a Move operation runs, IsEOF() is true, Insert
// fails and GetCurrent() gives a default value. The end position lies after the last
// element; Insert after MoveEnd() appends. Operations that do not apply (writing to a
// read-only set, moving an unpositioned cursor) do nothing and return false or a default
// value; nothing here throws.
//
// Thread-safety: one thread at a time; hand a copy (a clone) to another user.
#pragma once

#include <cstdint>
#include <list>

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
    explicit CZRRecordSet(bool readOnly = false) : m_cursor(m_list.end()), m_readOnly(readOnly) {}
    CZRRecordSet(const CZRRecordSet&) = delete;
    CZRRecordSet& operator=(const CZRRecordSet&) = delete;

    int32_t GetCount() const override { return static_cast<int32_t>(m_list.size()); }
    void MoveFirst() override {
        m_cursor = m_list.begin();
        m_positioned = true;
    }
    void MoveLast() override {
        m_cursor = m_list.empty() ? m_list.end() : std::prev(m_list.end());
        m_positioned = true;
    }
    void MoveEnd() override {
        m_cursor = m_list.end();
        m_positioned = true;
    }
    void MoveNext() override {
        if (m_positioned && m_cursor != m_list.end())
            ++m_cursor;
    }
    void MovePrev() override {
        if (m_positioned && !m_list.empty() && m_cursor != m_list.begin())
            --m_cursor;
    }
    bool IsBOF() const override { return m_positioned && m_cursor == m_list.begin(); }
    bool IsEOF() const override { return !m_positioned || m_cursor == m_list.end(); }
    bool IsEmpty() const override { return m_list.empty(); }
    void Reverse() override {
        if (m_list.size() >= 2)
            m_list.reverse();
        MoveFirst();
    }
    T GetCurrent() const override {
        if (IsEOF())
            return T();
        return *m_cursor;
    }
    bool IsReadOnly() const override { return m_readOnly; }
    bool Insert(const T& value) override {
        if (m_readOnly || !m_positioned)
            return false;
        m_cursor = m_list.insert(m_cursor, value);
        return true;
    }
    T RemoveCurrent() override {
        if (m_readOnly || IsEOF())
            return T();
        T removed = *m_cursor;
        m_cursor = m_list.erase(m_cursor);
        return removed;
    }
    void DeleteCurrent() override {
        if (!m_readOnly && !IsEOF())
            m_cursor = m_list.erase(m_cursor);
    }
    void Clear() override {
        if (m_readOnly)
            return;
        m_list.clear();
        MoveFirst();
    }

  protected:
    // Appends without moving the cursor; for building sets, read-only ones included.
    void _append(const T& value) { m_list.push_back(value); }
    const std::list<T>& _items() const { return m_list; }

  private:
    std::list<T> m_list;
    typename std::list<T>::iterator m_cursor;
    bool m_positioned = false;
    bool m_readOnly;
};
