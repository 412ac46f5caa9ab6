#include "table/grid.h"

#include "base/error.h"
#include "base/cp1251.h"
#include "base/numbers.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstring>

namespace trassel {
namespace {

constexpr std::size_t kEditChunkSize = std::size_t{1} << 20;
constexpr std::size_t kCompactFloor = std::size_t{4} << 20;
constexpr char kSeparator = '\t';

// Column-0 text that is a plain row number is kept as that number.
bool parseLabelNumber(std::string_view text, std::int64_t& number)
{
    if (text.empty() || text.size() > 15 || (text.size() > 1 && text.front() == '0'))
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), number);
    return res.ec == std::errc();
}

} // namespace

std::uint64_t Grid::NextRevision()
{
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

Grid::Grid(int colCount, int rowCount)
{
    colCount_ = std::max(0, colCount);
    rows_.resize(static_cast<std::size_t>(std::max(0, rowCount)));
}

Grid::~Grid() = default;

void Grid::setColCount(int count)
{
    touch();
    count = std::max(0, count);
    if (count > kMaxColumns)
        throw Error("Таблица не может иметь больше " + IntToText(kMaxColumns - 1) + " столбцов данных");
    if (count < colCount_) {
        const auto keep = static_cast<std::uint16_t>(std::max(0, count - 1));
        for (Row& row : rows_) {
            if (row.count > keep) {
                // The tail of the row's bytes simply stops being referenced.
                const std::size_t before = rowBytes(row);
                row.count = keep;
                if (keep == 0)
                    row.text = nullptr;
                const std::size_t after = rowBytes(row);
                deadBytes_ += before - after;
                liveBytes_ -= std::min(liveBytes_, before - after);
            }
            if (count == 0)
                row.label = -1;
        }
        maybeCompact();
    }
    colCount_ = count;
}

void Grid::setRowCount(int count)
{
    touch();
    const auto n = static_cast<std::size_t>(std::max(0, count));
    if (n < rows_.size()) {
        for (std::size_t r = n; r < rows_.size(); ++r)
            markDead(rows_[r]);
        rows_.resize(n);
        maybeCompact();
    } else {
        rows_.resize(n);
    }
    if (fixedRows_ >= count)
        fixedRows_ = std::max(0, count - 1);
}

void Grid::setFixedRows(int count)
{
    if (count >= rowCount())
        throw Error("Fixed row count must be less than row count");
    fixedRows_ = std::max(0, count);
}

void Grid::setFixedCols(int count)
{
    if (count >= colCount_)
        throw Error("Fixed column count must be less than column count");
    fixedCols_ = std::max(0, count);
}

std::size_t Grid::rowBytes(const Row& row) const
{
    if (row.count == 0)
        return 0;
    const std::size_t last = row.wide ? ends32_[row.endsAt + row.count - 1u] : ends16_[row.endsAt + row.count - 1u];
    return last + std::size_t{row.count} * (row.wide ? 4 : 2);
}

std::string_view Grid::storedCell(const Row& row, int col) const
{
    const auto i = static_cast<std::size_t>(col - 1);
    std::size_t end = 0;
    std::size_t start = 0;
    if (row.wide) {
        end = ends32_[row.endsAt + i];
        start = i == 0 ? 0 : ends32_[row.endsAt + i - 1] + 1;
    } else {
        end = ends16_[row.endsAt + i];
        start = i == 0 ? 0 : ends16_[row.endsAt + i - 1] + 1u;
    }
    return {row.text + start, end - start};
}

std::string_view Grid::rowBlock(int row, char& separator, int& cells) const
{
    cells = 0;
    separator = kSeparator;
    if (row < 0 || row >= rowCount() || colCount_ < 2)
        return {};
    const Row& r = rows_[static_cast<std::size_t>(row)];
    cells = std::min<int>(r.count, colCount_ - 1);
    if (cells == 0)
        return {};
    separator = r.separator;
    const std::size_t end = r.wide ? ends32_[r.endsAt + static_cast<std::size_t>(cells) - 1]
                                   : ends16_[r.endsAt + static_cast<std::size_t>(cells) - 1];
    return {r.text, end};
}

std::string_view Grid::cellView(int col, int row) const
{
    if (col < 0 || row < 0 || col >= colCount_ || row >= rowCount())
        return {};
    const Row& r = rows_[static_cast<std::size_t>(row)];
    if (col == 0) {
        if (r.label == -1)
            return {};
        if (r.label <= -2)
            return labelTexts_[static_cast<std::size_t>(-r.label - 2)];
        char* buf = labelRing_[labelRingNext_++ % 4];
        const auto res = std::to_chars(buf, buf + sizeof labelRing_[0], r.label);
        return {buf, static_cast<std::size_t>(res.ptr - buf)};
    }
    if (col > r.count)
        return {};
    return storedCell(r, col);
}

long long Grid::rowLabelNumber(int row) const
{
    if (row < 0 || row >= rowCount())
        return -1;
    const std::int64_t label = rows_[static_cast<std::size_t>(row)].label;
    return label >= 0 ? label : -1;
}

void Grid::setRowLabelNumber(int row, long long number)
{
    touch();
    if (row < 0 || row >= rowCount() || colCount_ < 1)
        return;
    rows_[static_cast<std::size_t>(row)].label = number >= 0 ? number : -1;
}

void Grid::setCell(int col, int row, std::string_view text)
{
    touch();
    if (col < 0 || row < 0 || col >= colCount_ || row >= rowCount())
        return;
    if (col == 0) {
        Row& r = rows_[static_cast<std::size_t>(row)];
        std::int64_t number = 0;
        if (text.empty()) {
            r.label = -1;
        } else if (parseLabelNumber(text, number)) {
            r.label = number;
        } else if (r.label <= -2) {
            labelTexts_[static_cast<std::size_t>(-r.label - 2)] = std::string(text);
        } else {
            labelTexts_.emplace_back(text);
            r.label = -static_cast<std::int64_t>(labelTexts_.size()) - 1;
        }
        return;
    }
    rewriteRow(row, col, &text, 1);
    maybeCompact();
}

void Grid::setCells(int row, int firstCol, const std::string_view* texts, std::size_t count)
{
    touch();
    if (row < 0 || row >= rowCount() || count == 0)
        return;
    std::size_t skip = 0;
    if (firstCol == 0) {
        setCell(0, row, texts[0]);
        skip = 1;
    }
    if (skip < count)
        rewriteRow(row, firstCol + static_cast<int>(skip), texts + skip, count - skip);
    maybeCompact();
}

void Grid::rewriteRow(int row, int firstCol, const std::string_view* texts, std::size_t count)
{
    if (firstCol < 1 || firstCol >= colCount_)
        return;
    Row& r = rows_[static_cast<std::size_t>(row)];
    const std::size_t fit = std::min(count, static_cast<std::size_t>(colCount_ - firstCol));
    const auto a = static_cast<std::size_t>(firstCol - 1); // first replaced cell, 0-based
    const std::size_t b = a + fit;                         // one past the last
    if (fit > 0 && b < r.count && !r.wide) {
        // Replacing cells in the middle of a stored row: splice the new cells into the row's
        // block and shift the ends after them. No per-cell work for the untouched cells.
        const std::uint16_t* oldEnds = ends16_.data() + r.endsAt;
        const std::size_t headLen = a == 0 ? 0 : oldEnds[a - 1] + 1u; // bytes before cell a
        const std::size_t tailStart = oldEnds[b - 1];                 // the separator after cell b-1
        const std::size_t oldTotal = oldEnds[r.count - 1u];
        std::size_t mid = fit - 1;
        for (std::size_t i = 0; i < fit; ++i)
            mid += texts[i].size();
        const std::size_t total = headLen + mid + (oldTotal - tailStart);
        if (total <= 0xFFFF) {
            char* p = allocText(total);
            std::memcpy(p, r.text, headLen);
            std::size_t pos = headLen;
            const auto at = static_cast<std::uint32_t>(ends16_.size());
            const std::size_t n = r.count;
            ends16_.resize(ends16_.size() + n);
            oldEnds = ends16_.data() + r.endsAt; // the resize may have moved them
            std::uint16_t* e = ends16_.data() + at;
            for (std::size_t i = 0; i < a; ++i)
                e[i] = oldEnds[i];
            for (std::size_t i = 0; i < fit; ++i) {
                if (i > 0)
                    p[pos++] = r.separator;
                if (!texts[i].empty())
                    std::memcpy(p + pos, texts[i].data(), texts[i].size());
                pos += texts[i].size();
                e[a + i] = static_cast<std::uint16_t>(pos);
            }
            std::memcpy(p + pos, r.text + tailStart, oldTotal - tailStart);
            const std::ptrdiff_t shift = static_cast<std::ptrdiff_t>(pos) - static_cast<std::ptrdiff_t>(tailStart);
            for (std::size_t i = b; i < n; ++i)
                e[i] = static_cast<std::uint16_t>(oldEnds[i] + shift);
            markDead(r);
            r.text = p;
            r.endsAt = at;
            liveBytes_ += total + n * 2;
            return;
        }
    }
    const std::size_t width = std::max<std::size_t>(r.count, b);
    std::vector<std::string_view>& cells = scratchCells_;
    cells.assign(width, std::string_view());
    for (int c = 1; c <= r.count; ++c)
        cells[static_cast<std::size_t>(c - 1)] = storedCell(r, c);
    for (std::size_t i = 0; i < fit; ++i)
        cells[a + i] = texts[i];
    while (!cells.empty() && cells.back().empty())
        cells.pop_back();
    storeRow(r, cells);
}

char* Grid::allocText(std::size_t bytes)
{
    if (chunks_.empty() || chunks_.back().size - chunks_.back().used < bytes) {
        Chunk chunk;
        chunk.size = std::max(nextChunk_, bytes);
        nextChunk_ = std::min(nextChunk_ * 2, kEditChunkSize);
        chunk.bytes = std::make_unique_for_overwrite<char[]>(chunk.size);
        chunks_.push_back(std::move(chunk));
    }
    Chunk& c = chunks_.back();
    char* p = c.bytes.get() + c.used;
    c.used += bytes;
    return p;
}

void Grid::setRowEnds(Row& row, const std::vector<std::size_t>& ends, std::size_t total)
{
    row.count = static_cast<std::uint16_t>(ends.size());
    if (total <= 0xFFFF) {
        row.wide = 0;
        row.endsAt = static_cast<std::uint32_t>(ends16_.size());
        for (const std::size_t e : ends)
            ends16_.push_back(static_cast<std::uint16_t>(e));
    } else {
        row.wide = 1;
        row.endsAt = static_cast<std::uint32_t>(ends32_.size());
        for (const std::size_t e : ends)
            ends32_.push_back(static_cast<std::uint32_t>(e));
    }
}

void Grid::storeRow(Row& row, const std::vector<std::string_view>& cells)
{
    markDead(row);
    const std::size_t n = cells.size();
    if (n == 0) {
        row.text = nullptr;
        row.count = 0;
        row.wide = 0;
        return;
    }
    std::size_t total = n - 1;
    for (const auto& c : cells)
        total += c.size();
    char* p = allocText(total);
    row.text = p;
    row.separator = kSeparator;
    row.count = static_cast<std::uint16_t>(n);
    row.wide = total > 0xFFFF ? 1 : 0;
    std::uint16_t* e16 = nullptr;
    std::uint32_t* e32 = nullptr;
    if (row.wide) {
        row.endsAt = static_cast<std::uint32_t>(ends32_.size());
        ends32_.resize(ends32_.size() + n);
        e32 = ends32_.data() + row.endsAt;
    } else {
        row.endsAt = static_cast<std::uint32_t>(ends16_.size());
        ends16_.resize(ends16_.size() + n);
        e16 = ends16_.data() + row.endsAt;
    }
    std::size_t pos = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0)
            p[pos++] = kSeparator;
        if (!cells[i].empty())
            std::memcpy(p + pos, cells[i].data(), cells[i].size());
        pos += cells[i].size();
        if (e16 != nullptr)
            e16[i] = static_cast<std::uint16_t>(pos);
        else
            e32[i] = static_cast<std::uint32_t>(pos);
    }
    liveBytes_ += total + n * (row.wide ? 4 : 2);
}

void Grid::markDead(const Row& row)
{
    const std::size_t bytes = rowBytes(row);
    deadBytes_ += bytes;
    liveBytes_ -= std::min(liveBytes_, bytes);
}

void Grid::maybeCompact()
{
    if (deadBytes_ > kCompactFloor && deadBytes_ > liveBytes_)
        compact();
}

void Grid::compact()
{
    std::size_t textBytes = 0;
    std::size_t narrow = 0;
    std::size_t wide = 0;
    for (const Row& row : rows_) {
        if (row.count == 0)
            continue;
        textBytes += rowBytes(row) - std::size_t{row.count} * (row.wide ? 4 : 2);
        (row.wide ? wide : narrow) += row.count;
    }
    Chunk chunk;
    chunk.size = std::max<std::size_t>(textBytes, 1);
    chunk.bytes = std::make_unique_for_overwrite<char[]>(chunk.size);
    std::vector<std::uint16_t> ends16;
    std::vector<std::uint32_t> ends32;
    ends16.reserve(narrow);
    ends32.reserve(wide);
    for (Row& row : rows_) {
        if (row.count == 0) {
            row.text = nullptr;
            continue;
        }
        const std::size_t len = rowBytes(row) - std::size_t{row.count} * (row.wide ? 4 : 2);
        char* dst = chunk.bytes.get() + chunk.used;
        std::memcpy(dst, row.text, len);
        chunk.used += len;
        row.text = dst;
        if (row.wide) {
            const auto at = static_cast<std::uint32_t>(ends32.size());
            ends32.insert(ends32.end(), ends32_.begin() + row.endsAt, ends32_.begin() + row.endsAt + row.count);
            row.endsAt = at;
        } else {
            const auto at = static_cast<std::uint32_t>(ends16.size());
            ends16.insert(ends16.end(), ends16_.begin() + row.endsAt, ends16_.begin() + row.endsAt + row.count);
            row.endsAt = at;
        }
    }
    chunks_.clear();
    if (textBytes > 0)
        chunks_.push_back(std::move(chunk));
    ends16_ = std::move(ends16);
    ends32_ = std::move(ends32);
    liveBytes_ = textBytes + narrow * 2 + wide * 4;
    deadBytes_ = 0;
}

void Grid::clearRange(int firstCol, int firstRow)
{
    touch();
    firstCol = std::max(0, firstCol);
    firstRow = std::max(0, firstRow);
    for (std::size_t r = static_cast<std::size_t>(firstRow); r < rows_.size(); ++r) {
        Row& row = rows_[r];
        if (firstCol == 0)
            row.label = -1;
        if (row.count == 0 || row.count < std::max(firstCol, 1))
            continue;
        if (firstCol <= 1) {
            markDead(row);
            row.text = nullptr;
            row.count = 0;
            row.wide = 0;
        } else {
            std::vector<std::string_view> cells;
            for (int c = 1; c < firstCol; ++c)
                cells.push_back(storedCell(row, c));
            while (!cells.empty() && cells.back().empty())
                cells.pop_back();
            storeRow(row, cells);
        }
    }
    maybeCompact();
    if (liveBytes_ == 0) {
        chunks_.clear();
        ends16_.clear();
        ends32_.clear();
        deadBytes_ = 0;
    }
}

void Grid::moveRow(int from, int to)
{
    touch();
    const int n = rowCount();
    if (from < 0 || to < 0 || from >= n || to >= n || from == to)
        return;
    auto first = rows_.begin();
    if (from < to)
        std::rotate(first + from, first + from + 1, first + to + 1);
    else
        std::rotate(first + to, first + from, first + from + 1);
}

void Grid::moveColumn(int from, int to)
{
    touch();
    if (from < 0 || to < 0 || from >= colCount_ || to >= colCount_ || from == to)
        return;
    const int lo = std::min(from, to);
    const int hi = std::max(from, to);
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        Row& row = rows_[r];
        if (lo >= 1 && row.count < lo)
            continue;
        // The row's cells 0..hi in order, moved, then stored back.
        std::vector<std::string_view> cells(static_cast<std::size_t>(std::max<int>(hi, row.count)) + 1);
        std::string label = cell(0, static_cast<int>(r));
        cells[0] = label;
        for (int c = 1; c <= row.count; ++c)
            cells[static_cast<std::size_t>(c)] = storedCell(row, c);
        auto first = cells.begin();
        if (from < to)
            std::rotate(first + from, first + from + 1, first + to + 1);
        else
            std::rotate(first + to, first + from, first + from + 1);
        const std::string newLabel(cells[0]);
        std::vector<std::string_view> data(cells.begin() + 1, cells.end());
        while (!data.empty() && data.back().empty())
            data.pop_back();
        storeRow(row, data);
        setCell(0, static_cast<int>(r), newLabel);
    }
    maybeCompact();
}

template <class Change>
void Grid::rebuildRow(std::size_t row, Change&& change)
{
    Row& r = rows_[row];
    std::string label(cellView(0, static_cast<int>(row)));
    std::vector<std::string_view>& cells = scratchCells_;
    cells.clear();
    cells.push_back(label);
    for (int c = 1; c <= r.count; ++c)
        cells.push_back(storedCell(r, c));
    change(cells);
    // The label is copied out before the row's bytes are replaced: a view into a ring buffer
    // or the old text would not survive the store.
    const std::string newLabel = cells.empty() ? std::string() : std::string(cells.front());
    std::vector<std::string_view> data(cells.begin() + (cells.empty() ? 0 : 1), cells.end());
    while (!data.empty() && data.back().empty())
        data.pop_back();
    storeRow(r, data);
    setCell(0, static_cast<int>(row), newLabel);
}

void Grid::insertRow(int at)
{
    touch();
    at = std::clamp(at, 0, rowCount());
    rows_.insert(rows_.begin() + at, Row());
}

void Grid::removeRow(int at)
{
    touch();
    if (at < 0 || at >= rowCount())
        return;
    if (rowCount() <= 1)
        throw Error("Grid index out of range");
    markDead(rows_[static_cast<std::size_t>(at)]);
    rows_.erase(rows_.begin() + at);
    if (fixedRows_ >= rowCount())
        fixedRows_ = std::max(0, rowCount() - 1);
    maybeCompact();
}

void Grid::insertColumn(int at)
{
    touch();
    if (colCount_ >= kMaxColumns)
        throw Error("Grid index out of range");
    at = std::clamp(at, 0, colCount_);
    ++colCount_;
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        // Cells past a row's stored ones are empty already: such rows need no work.
        if (at >= 1 && rows_[r].count < at)
            continue;
        rebuildRow(r, [at](std::vector<std::string_view>& cells) {
            cells.insert(cells.begin() + at, std::string_view());
        });
    }
    maybeCompact();
}

void Grid::removeColumn(int at)
{
    touch();
    if (at < 0 || at >= colCount_)
        return;
    if (colCount_ <= 1)
        throw Error("Grid index out of range");
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        if (at >= 1 && rows_[r].count < at)
            continue;
        rebuildRow(r, [at](std::vector<std::string_view>& cells) { cells.erase(cells.begin() + at); });
    }
    --colCount_;
    if (fixedCols_ >= colCount_)
        fixedCols_ = std::max(0, colCount_ - 1);
    maybeCompact();
}

void Grid::swap(Grid& other) noexcept
{
    touch();
    std::swap(colCount_, other.colCount_);
    std::swap(fixedRows_, other.fixedRows_);
    std::swap(fixedCols_, other.fixedCols_);
    rows_.swap(other.rows_);
    ends16_.swap(other.ends16_);
    ends32_.swap(other.ends32_);
    chunks_.swap(other.chunks_);
    labelTexts_.swap(other.labelTexts_);
    std::swap(liveBytes_, other.liveBytes_);
    std::swap(deadBytes_, other.deadBytes_);
    other.touch();
}

std::size_t Grid::memoryBytes() const
{
    std::size_t bytes = rows_.capacity() * sizeof(Row) + ends16_.capacity() * 2 + ends32_.capacity() * 4;
    for (const Chunk& c : chunks_)
        bytes += c.size;
    for (const std::string& s : labelTexts_)
        bytes += s.capacity();
    return bytes;
}

std::size_t Grid::recordBytes(std::size_t rows, std::size_t fields)
{
    return rows * sizeof(Row) + fields * sizeof(std::uint16_t);
}

std::size_t Grid::loadDelimited(std::unique_ptr<char[]> bytes, std::size_t size, char delimiter,
                                const Progress& progress)
{
    touch();
    if (size == 0)
        return 0;
    const char* const data = bytes.get();
    const char* const end = data + size;
    // One quick pass counts the lines (CR LF pairs) and the delimiters: the row vectors are
    // reserved exactly, and a file whose rows would cost far more than its bytes (a file of
    // empty lines) is refused before any of that memory is taken.
    {
        std::size_t crlf = 0;
        std::size_t delimiters = 0;
        for (std::size_t i = 1; i < size; ++i)
            crlf += static_cast<std::size_t>(data[i] == '\n') & static_cast<std::size_t>(data[i - 1] == '\r');
        for (std::size_t i = 0; i < size; ++i)
            delimiters += static_cast<std::size_t>(data[i] == delimiter);
        const bool tail = size < 2 || data[size - 2] != '\r' || data[size - 1] != '\n';
        const std::size_t lines = crlf + (tail ? 1 : 0);
        // A line past the field limit is refused by the reading itself, at once.
        const std::size_t maxDelimiters = lines * 0xFFFEu;
        if (delimiters <= maxDelimiters) {
            const std::size_t need = (lines + 1) * sizeof(Row) + (delimiters + lines) * sizeof(std::uint16_t);
            const std::size_t allowed = size + (std::size_t{64} << 20);
            if (need > allowed)
                throw Error(
                    "Недостаточно памяти для таблицы из этого файла: " + IntToText(static_cast<long long>(lines)) +
                    " строк и " + IntToText(static_cast<long long>(delimiters + lines)) + " полей заняли бы " +
                    IntToText(static_cast<long long>(need >> 20)) + " МБ, а допускается не больше " +
                    IntToText(static_cast<long long>(allowed >> 20)) + " МБ (размер файла и ещё 64 МБ)");
            rows_.reserve(std::max(rows_.size(), lines + 1));
            ends16_.reserve(ends16_.size() + delimiters + lines);
        }
    }

    {
        Chunk chunk;
        chunk.bytes = std::move(bytes);
        chunk.size = size;
        chunk.used = size;
        chunks_.push_back(std::move(chunk));
    }

    std::vector<std::size_t> ends;
    std::vector<std::string_view> fields;
    std::string decoded;
    std::size_t lineNo = 0;
    const char* p = data;
    ProgressMeter meter(progress, static_cast<long long>(size), 0.0, 1.0, 1 << 20);
    while (p < end) {
        meter.at(p - data);
        ++lineNo;
        if (rows_.size() < lineNo + 1)
            rows_.resize(lineNo + 1);

        // The line runs to the first CR LF; a lone CR or LF is an ordinary character.
        const char* lineEnd = p;
        const char* next = end;
        for (;;) {
            const auto* cr = static_cast<const char*>(
                std::memchr(lineEnd, '\r', static_cast<std::size_t>(end - lineEnd)));
            if (cr == nullptr) {
                lineEnd = end;
                break;
            }
            if (cr + 1 < end && cr[1] == '\n') {
                lineEnd = cr;
                next = cr + 2;
                break;
            }
            lineEnd = cr + 1;
        }

        const std::size_t len = static_cast<std::size_t>(lineEnd - p);
        ends.clear();
        unsigned char high = 0;
        for (std::size_t i = 0; i < len; ++i) {
            const char c = p[i];
            high |= static_cast<unsigned char>(c);
            if (c == delimiter) {
                // Refused as the limit is reached, not after splitting a line of 200 MB of tabs.
                if (ends.size() >= 0xFFFE)
                    throw Error("Слишком много полей в строке " + IntToText(static_cast<long long>(lineNo)));
                ends.push_back(i);
            }
        }
        ends.push_back(len);
        const auto fieldCount = static_cast<int>(ends.size());
        if (colCount_ < fieldCount + 1)
            colCount_ = fieldCount + 1;

        Row& row = rows_[lineNo];
        const bool ascii = (high & 0x80) == 0;
        if (ascii && row.count == 0) {
            // The common case: the row points straight into the file's bytes.
            row.text = p;
            row.separator = delimiter;
            setRowEnds(row, ends, len);
            liveBytes_ += rowBytes(row);
        } else {
            std::string_view line(p, len);
            if (!ascii) {
                decoded.clear();
                DecodeCp1251(line, decoded);
                line = decoded;
            }
            fields.clear();
            std::size_t start = 0;
            for (;;) {
                const std::size_t d = line.find(delimiter, start);
                if (d == std::string_view::npos) {
                    fields.push_back(line.substr(start));
                    break;
                }
                fields.push_back(line.substr(start, d - start));
                start = d + 1;
            }
            deadBytes_ += len;
            rewriteRow(static_cast<int>(lineNo), 1, fields.data(), fields.size());
        }
        p = next;
    }
    meter.finish();
    maybeCompact();
    return lineNo;
}

void NumberGridHeaders(Grid& grid)
{
    grid.setCell(0, 0, "0/0");
    for (int r = 1; r < grid.rowCount(); ++r)
        grid.setRowLabelNumber(r, r);
    std::vector<std::string> numbers;
    std::vector<std::string_view> views;
    for (int c = 1; c < grid.colCount(); ++c)
        numbers.push_back(IntToText(c));
    for (const auto& s : numbers)
        views.push_back(s);
    if (!views.empty())
        grid.setCells(0, 1, views.data(), views.size());
}

void ClearGridCells(Grid& grid, int firstCol, int firstRow) { grid.clearRange(firstCol, firstRow); }

} // namespace trassel
