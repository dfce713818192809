#pragma once

#include "RecordFields.h"
#include "TextPool.h"

#include <QtGlobal>

#include <array>
#include <compare>
#include <cstddef>
#include <iterator>
#include <utility>
#include <vector>

// A list's records held in about 40 bytes each (a std::vector<RecordFields>
// takes some 300): numbers as they are, the texts in a pool where a text
// repeated from record to record is kept once. It is used as a vector of
// RecordFields that hands out each record by value, equal to the one put in.
// A time given with a fixed offset or a time zone is kept as its UTC instant.
class CompactRecords
{
public:
    class const_iterator
    {
    public:
        // Records are made on reading, so the legacy category is that of an
        // input iterator; the C++20 concept is that of random access.
        using iterator_category = std::input_iterator_tag;
        using iterator_concept = std::random_access_iterator_tag;
        using value_type = RecordFields;
        using difference_type = std::ptrdiff_t;
        using reference = RecordFields;
        using pointer = void;

        const_iterator() = default;
        const_iterator(const CompactRecords *records, size_t index)
            : m_records(records), m_index(index)
        {}

        RecordFields operator*() const { return (*m_records)[m_index]; }
        RecordFields operator[](difference_type n) const { return *(*this + n); }

        const_iterator &operator++() { return *this += 1; }
        const_iterator operator++(int) { return std::exchange(*this, *this + 1); }
        const_iterator &operator--() { return *this -= 1; }
        const_iterator operator--(int) { return std::exchange(*this, *this - 1); }
        const_iterator &operator+=(difference_type n)
        {
            m_index = static_cast<size_t>(static_cast<difference_type>(m_index) + n);
            return *this;
        }
        const_iterator &operator-=(difference_type n) { return *this += -n; }
        friend const_iterator operator+(const_iterator i, difference_type n) { return i += n; }
        friend const_iterator operator+(difference_type n, const_iterator i) { return i += n; }
        friend const_iterator operator-(const_iterator i, difference_type n) { return i -= n; }
        friend difference_type operator-(const const_iterator &a, const const_iterator &b)
        {
            return static_cast<difference_type>(a.m_index) -
                   static_cast<difference_type>(b.m_index);
        }
        friend bool operator==(const const_iterator &a, const const_iterator &b)
        {
            return a.m_index == b.m_index;
        }
        friend std::strong_ordering operator<=>(const const_iterator &a, const const_iterator &b)
        {
            return a.m_index <=> b.m_index;
        }

    private:
        const CompactRecords *m_records = nullptr;
        size_t m_index = 0;
    };
    using iterator = const_iterator;
    using value_type = RecordFields;
    using size_type = size_t;

    CompactRecords() = default;
    // Implicit, so that code may hand over a vector where records are asked for.
    CompactRecords(const std::vector<RecordFields> &records);
    CompactRecords &operator=(const std::vector<RecordFields> &records);

    size_t size() const
    {
        return m_blocks.empty() ? 0 : (m_blocks.size() - 1) * BlockRecords + m_blocks.back().size();
    }
    bool empty() const { return m_blocks.empty(); }
    RecordFields operator[](size_t index) const;
    RecordFields front() const { return (*this)[0]; }
    RecordFields back() const { return (*this)[size() - 1]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }

    // Throws std::length_error when the texts outgrow the pool's 4 GB.
    void push_back(const RecordFields &record);
    void clear();
    // Blocks are never moved as the list grows, so there is nothing to reserve.
    void reserve(size_t) {}

private:
    enum TimeKind : quint8 { Utc, LocalTime, NoTime };
    struct Packed
    {
        qint64 msecs; // since the epoch, in UTC
        double value;
        qint32 status;
        TextPool::Ref instrument;
        TextPool::Ref valueText;
        TextPool::Ref units;
        TextPool::Ref detector;
        TimeKind timeKind;
        bool marked;
    };
    static constexpr size_t BlockRecords = 4096;

    // The text's reference, the same as the last record's when the text is.
    TextPool::Ref addText(int field, const QString &text);

    std::vector<std::vector<Packed>> m_blocks; // BlockRecords each, the last one filling
    TextPool m_texts;
    // The texts of the last record, with their references: they mostly repeat.
    std::array<QString, 4> m_lastTexts;
    std::array<TextPool::Ref, 4> m_lastRefs{};
};

static_assert(std::random_access_iterator<CompactRecords::const_iterator>);
