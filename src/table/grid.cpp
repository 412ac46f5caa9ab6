#include "table/grid.h"

#include "base/error.h"
#include "base/cp1251.h"
#include "base/huge_pages.h"
#include "base/numbers.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstring>
#include <limits>

namespace trassel {
namespace {

// Edit chunks double up to this size; past it, the chunks of a large edit stay this big. A
// large table's chunks may grow to an eighth of its bytes, up to the larger size: a command
// that rewrites a million rows fills them at once, and chunks that large take huge pages.
constexpr std::size_t kEditChunkSize = std::size_t{1} << 20;
constexpr std::size_t kLargeEditChunkSize = std::size_t{32} << 20;
constexpr std::size_t kCompactFloor = std::size_t{4} << 20;
constexpr char kSeparator = '\t';

// Column-0 text that is a plain row number is kept as that number.
bool parseLabelNumber(std::string_view text, std::int32_t& number)
{
    if (text.empty() || text.size() > 10 || (text.size() > 1 && text.front() == '0'))
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), number);
    return res.ec == std::errc();
}

// The first `byte` of text[from, size), or npos. Cells are a few bytes long: a plain loop finds
// the end of one sooner than a call to memchr would.
std::size_t find(std::string_view text, char byte, std::size_t from)
{
    for (std::size_t i = from; i < text.size(); ++i)
        if (text[i] == byte)
            return i;
    return std::string_view::npos;
}

bool holds(std::string_view text, char byte) { return find(text, byte, 0) != std::string_view::npos; }

// The start of the byte after the `n`-th separator of `text`, or npos when it has fewer.
std::size_t skipSeparators(std::string_view text, char separator, std::size_t n)
{
    std::size_t at = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t hit = find(text, separator, at);
        if (hit == std::string_view::npos)
            return std::string_view::npos;
        at = hit + 1;
    }
    return at;
}

} // namespace

std::uint64_t Grid::NextRevision()
{
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

Grid::Grid(int colCount, int rowCount)
{
    static_assert(sizeof(Row) == 16, "a row record stays 16 bytes: ten million rows are 160 MB");
    colCount_ = std::max(0, colCount);
    rows_.resize(static_cast<std::size_t>(std::max(0, rowCount)));
}

Grid::~Grid() = default;

std::string_view Grid::textOf(const Row& row) const
{
    if (isEnded(row)) {
        const Ended& e = ended(row);
        return {e.text, e.size};
    }
    const std::size_t size = row.info & kSizeMask;
    if (size == 0)
        return {};
    return {reinterpret_cast<const char*>(row.ref), size};
}

std::size_t Grid::cellCountOf(const Row& row) const
{
    if (isEnded(row))
        return ended(row).count;
    const std::string_view text = textOf(row);
    if (text.empty())
        return 0;
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), separatorOf(row))) + 1;
}

std::size_t Grid::endOf(const Row& row, std::size_t i) const
{
    const Ended& e = ended(row);
    return e.wide ? ends32_[e.endsAt + i] : ends16_[e.endsAt + i];
}

void Grid::setPlain(Row& row, const char* text, std::size_t size, bool fileSeparator)
{
    row.ref = size == 0 ? 0 : reinterpret_cast<std::uintptr_t>(text);
    row.info = static_cast<std::uint32_t>(size) | (fileSeparator && size > 0 ? kFileSeparator : 0u);
}

void Grid::setEnded(Row& row, const char* text, std::size_t size, const std::vector<std::size_t>& ends,
                    bool fileSeparator)
{
    Ended e;
    e.text = text;
    e.size = static_cast<std::uint32_t>(size);
    e.count = static_cast<std::uint16_t>(ends.size());
    e.wide = size > 0xFFFF ? 1 : 0;
    if (e.wide) {
        e.endsAt = static_cast<std::uint32_t>(ends32_.size());
        for (const std::size_t end : ends)
            ends32_.push_back(static_cast<std::uint32_t>(end));
    } else {
        e.endsAt = static_cast<std::uint32_t>(ends16_.size());
        for (const std::size_t end : ends)
            ends16_.push_back(static_cast<std::uint16_t>(end));
    }
    row.ref = ended_.size();
    row.info = kEnded | (fileSeparator ? kFileSeparator : 0u);
    ended_.push_back(e);
}

void Grid::splitRow(const Row& row, std::vector<std::string_view>& cells, std::size_t most) const
{
    cells.clear();
    const std::string_view text = textOf(row);
    if (isEnded(row)) {
        const Ended& e = ended(row);
        std::size_t start = 0;
        for (std::size_t i = 0; i < std::min<std::size_t>(e.count, most); ++i) {
            const std::size_t end = endOf(row, i);
            cells.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return;
    }
    if (text.empty())
        return;
    const char separator = separatorOf(row);
    std::size_t start = 0;
    while (cells.size() < most) {
        const std::size_t at = find(text, separator, start);
        if (at == std::string_view::npos) {
            cells.push_back(text.substr(start));
            return;
        }
        cells.push_back(text.substr(start, at - start));
        start = at + 1;
    }
}

void Grid::truncateRow(Row& row, std::size_t keep)
{
    const std::size_t before = rowBytes(row);
    if (keep == 0) {
        row.ref = 0;
        row.info = 0;
    } else if (isEnded(row)) {
        Ended& e = ended_[row.ref];
        if (keep >= e.count)
            return;
        e.size = static_cast<std::uint32_t>(endOf(row, keep - 1));
        e.count = static_cast<std::uint16_t>(keep);
    } else {
        const std::string_view text = textOf(row);
        const std::size_t next = skipSeparators(text, separatorOf(row), keep);
        if (next == std::string_view::npos)
            return;
        row.info = (row.info & ~kSizeMask) | static_cast<std::uint32_t>(next - 1);
    }
    const std::size_t after = rowBytes(row);
    deadBytes_ += before - after;
    liveBytes_ -= std::min(liveBytes_, before - after);
}

void Grid::setColCount(int count)
{
    touch();
    count = std::max(0, count);
    if (count > kMaxColumns)
        throw Error("Таблица не может иметь больше " + IntToText(kMaxColumns - 1) + " столбцов данных");
    if (count < colCount_) {
        const auto keep = static_cast<std::size_t>(std::max(0, count - 1));
        for (Row& row : rows_) {
            // The tail of the row's bytes simply stops being referenced.
            truncateRow(row, keep);
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
    if (!isEnded(row))
        return row.info & kSizeMask;
    const Ended& e = ended(row);
    return e.size + std::size_t{e.count} * (e.wide ? 4 : 2) + sizeof(Ended);
}

std::string_view Grid::storedCell(const Row& row, int col) const
{
    const auto i = static_cast<std::size_t>(col - 1);
    const std::string_view text = textOf(row);
    if (isEnded(row)) {
        if (i >= ended(row).count)
            return {};
        const std::size_t end = endOf(row, i);
        const std::size_t start = i == 0 ? 0 : endOf(row, i - 1) + 1;
        return text.substr(start, end - start);
    }
    if (text.empty())
        return {};
    const char separator = separatorOf(row);
    const std::size_t start = skipSeparators(text, separator, i);
    if (start == std::string_view::npos)
        return {};
    const std::size_t end = std::min(find(text, separator, start), text.size());
    return text.substr(start, end - start);
}

std::string_view Grid::rowBlock(int row, char& separator, int& cells) const
{
    cells = 0;
    separator = kSeparator;
    if (row < 0 || row >= rowCount() || colCount_ < 2)
        return {};
    const Row& r = rows_[static_cast<std::size_t>(row)];
    const std::size_t count = cellCountOf(r);
    cells = static_cast<int>(std::min<std::size_t>(count, static_cast<std::size_t>(colCount_ - 1)));
    if (cells == 0)
        return {};
    separator = separatorOf(r);
    const std::string_view text = textOf(r);
    if (static_cast<std::size_t>(cells) == count)
        return text;
    if (isEnded(r))
        return text.substr(0, endOf(r, static_cast<std::size_t>(cells) - 1));
    return text.substr(0, skipSeparators(text, separator, static_cast<std::size_t>(cells)) - 1);
}

void Grid::rowCells(int row, std::vector<std::string_view>& cells) const { rowCells(row, colCount_ - 1, cells); }

void Grid::rowCells(int row, int lastCol, std::vector<std::string_view>& cells) const
{
    cells.clear();
    lastCol = std::min(lastCol, colCount_ - 1);
    if (row < 0 || row >= rowCount() || lastCol < 1)
        return;
    splitRow(rows_[static_cast<std::size_t>(row)], cells, static_cast<std::size_t>(lastCol));
}

bool Grid::plainRowText(int row, std::string_view& text, char& separator) const
{
    if (row < 0 || row >= rowCount())
        return false;
    const Row& r = rows_[static_cast<std::size_t>(row)];
    if (isEnded(r))
        return false;
    text = textOf(r);
    separator = separatorOf(r);
    return true;
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
            return labelTexts_[static_cast<std::size_t>(-static_cast<std::int64_t>(r.label) - 2)];
        char* buf = labelRing_[labelRingNext_++ % 4];
        const auto res = std::to_chars(buf, buf + sizeof labelRing_[0], r.label);
        return {buf, static_cast<std::size_t>(res.ptr - buf)};
    }
    return storedCell(r, col);
}

long long Grid::rowLabelNumber(int row) const
{
    if (row < 0 || row >= rowCount())
        return -1;
    const std::int32_t label = rows_[static_cast<std::size_t>(row)].label;
    return label >= 0 ? label : -1;
}

void Grid::setRowLabelNumber(int row, long long number)
{
    touch();
    if (row < 0 || row >= rowCount() || colCount_ < 1)
        return;
    Row& r = rows_[static_cast<std::size_t>(row)];
    if (number < 0)
        r.label = -1;
    else if (number <= std::numeric_limits<std::int32_t>::max())
        r.label = static_cast<std::int32_t>(number);
    else
        storeLabel(r, IntToText(number));
}

void Grid::storeLabel(Row& row, std::string_view text)
{
    if (row.label <= -2) {
        labelTexts_[static_cast<std::size_t>(-static_cast<std::int64_t>(row.label) - 2)] = std::string(text);
        return;
    }
    if (labelTexts_.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - 1))
        throw Error("Слишком много подписей строк");
    labelTexts_.emplace_back(text);
    row.label = -static_cast<std::int32_t>(labelTexts_.size()) - 1;
}

void Grid::setCell(int col, int row, std::string_view text)
{
    const std::uint64_t before = revision_;
    touch();
    if (col < 0 || row < 0 || col >= colCount_ || row >= rowCount())
        return;
    if (col == 0) {
        Row& r = rows_[static_cast<std::size_t>(row)];
        std::int32_t number = 0;
        if (text.empty())
            r.label = -1;
        else if (parseLabelNumber(text, number))
            r.label = number;
        else
            storeLabel(r, text);
    } else {
        rewriteRow(row, col, &text, 1);
        maybeCompact();
    }
    lastWrite_ = {before, revision_, col, row};
}

void Grid::setCells(int row, int firstCol, const std::string_view* texts, std::size_t count)
{
    // One cell (an undo of one correction) is told as one cell's write.
    if (count == 1 && firstCol >= 0 && firstCol < colCount_) {
        setCell(firstCol, row, texts[0]);
        return;
    }
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

bool Grid::splicePlain(Row& r, std::size_t a, const std::string_view* texts, std::size_t fit)
{
    // Replacing cells in the middle of a plain row: the new cells between the row's head and
    // tail, no per-cell work for the untouched cells.
    const std::string_view text = textOf(r);
    const char separator = separatorOf(r);
    const std::size_t headLen = skipSeparators(text, separator, a); // bytes before cell a
    if (headLen == std::string_view::npos)
        return false;
    const std::size_t next = skipSeparators(text.substr(headLen), separator, fit);
    if (next == std::string_view::npos)
        return false; // no cell after the replaced ones: trailing empty cells are trimmed instead
    const std::size_t tailStart = headLen + next - 1; // the separator after the last replaced cell
    std::size_t total = headLen + fit - 1 + (text.size() - tailStart);
    for (std::size_t i = 0; i < fit; ++i) {
        if (holds(texts[i], separator))
            return false;
        total += texts[i].size();
    }
    if (total > kPlainBytes)
        return false;
    // A row that does not grow is rewritten where it is (an undo putting short texts back over
    // long ones takes no new memory), unless a new cell is read from the row itself.
    bool inPlace = total <= text.size();
    for (std::size_t i = 0; i < fit && inPlace; ++i)
        inPlace = texts[i].empty() || texts[i].data() + texts[i].size() <= text.data() ||
                  texts[i].data() >= text.data() + text.size();
    char* p = inPlace ? reinterpret_cast<char*>(r.ref) : allocText(total);
    if (!inPlace)
        std::memcpy(p, text.data(), headLen);
    std::size_t pos = headLen;
    for (std::size_t i = 0; i < fit; ++i) {
        if (i > 0)
            p[pos++] = separator;
        if (!texts[i].empty())
            std::memcpy(p + pos, texts[i].data(), texts[i].size());
        pos += texts[i].size();
    }
    // In place the tail only moves left (the new cells are no longer than the old ones).
    std::memmove(p + pos, text.data() + tailStart, text.size() - tailStart);
    const std::size_t before = text.size();
    if (inPlace) {
        deadBytes_ += before - total;
        liveBytes_ -= std::min(liveBytes_, before - total);
    } else {
        markDead(r);
        liveBytes_ += total;
    }
    setPlain(r, p, total, (r.info & kFileSeparator) != 0);
    return true;
}

bool Grid::spliceEnded(Row& r, std::size_t a, const std::string_view* texts, std::size_t fit)
{
    // The same for a row that keeps its cell ends: the ends after the new cells are shifted.
    const Ended old = ended(r);
    const std::size_t b = a + fit;
    if (old.wide || b >= old.count)
        return false;
    const std::size_t headLen = a == 0 ? 0 : ends16_[old.endsAt + a - 1] + 1u;
    const std::size_t tailStart = ends16_[old.endsAt + b - 1];
    std::size_t mid = fit - 1;
    for (std::size_t i = 0; i < fit; ++i)
        mid += texts[i].size();
    const std::size_t total = headLen + mid + (old.size - tailStart);
    if (total > 0xFFFF)
        return false;
    const char separator = separatorOf(r);
    char* p = allocText(total);
    std::memcpy(p, old.text, headLen);
    std::size_t pos = headLen;
    const auto at = static_cast<std::uint32_t>(ends16_.size());
    const std::size_t n = old.count;
    ends16_.resize(ends16_.size() + n);
    const std::uint16_t* oldEnds = ends16_.data() + old.endsAt; // after the resize, which may move them
    std::uint16_t* e = ends16_.data() + at;
    for (std::size_t i = 0; i < a; ++i)
        e[i] = oldEnds[i];
    for (std::size_t i = 0; i < fit; ++i) {
        if (i > 0)
            p[pos++] = separator;
        if (!texts[i].empty())
            std::memcpy(p + pos, texts[i].data(), texts[i].size());
        pos += texts[i].size();
        e[a + i] = static_cast<std::uint16_t>(pos);
    }
    std::memcpy(p + pos, old.text + tailStart, old.size - tailStart);
    const std::ptrdiff_t shift = static_cast<std::ptrdiff_t>(pos) - static_cast<std::ptrdiff_t>(tailStart);
    for (std::size_t i = b; i < n; ++i)
        e[i] = static_cast<std::uint16_t>(oldEnds[i] + shift);
    markDead(r);
    Ended& record = ended_[r.ref];
    // The row keeps its record; the old ends become dead with the old text.
    record.text = p;
    record.size = static_cast<std::uint32_t>(total);
    record.endsAt = at;
    liveBytes_ += rowBytes(r);
    deadBytes_ -= std::min(deadBytes_, sizeof(Ended)); // the record itself lives on
    return true;
}

void Grid::rewriteRow(int row, int firstCol, const std::string_view* texts, std::size_t count)
{
    if (firstCol < 1 || firstCol >= colCount_)
        return;
    Row& r = rows_[static_cast<std::size_t>(row)];
    const std::size_t fit = std::min(count, static_cast<std::size_t>(colCount_ - firstCol));
    const auto a = static_cast<std::size_t>(firstCol - 1); // first replaced cell, 0-based
    if (fit > 0 && (isEnded(r) ? spliceEnded(r, a, texts, fit) : splicePlain(r, a, texts, fit)))
        return;
    std::vector<std::string_view>& cells = scratchCells_;
    splitRow(r, cells);
    if (cells.size() < a + fit)
        cells.resize(a + fit);
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
        const std::size_t largest = std::clamp(liveBytes_ / 8, kEditChunkSize, kLargeEditChunkSize);
        nextChunk_ = std::min(nextChunk_ * 2, largest);
        chunk.bytes = std::make_unique_for_overwrite<char[]>(chunk.size);
        AdviseHugePages(chunk.bytes.get(), chunk.size);
        chunks_.push_back(std::move(chunk));
    }
    Chunk& c = chunks_.back();
    char* p = c.bytes.get() + c.used;
    c.used += bytes;
    return p;
}

void Grid::storeRow(Row& row, const std::vector<std::string_view>& cells)
{
    markDead(row);
    const std::size_t n = cells.size();
    if (n == 0) {
        setPlain(row, nullptr, 0, false);
        return;
    }
    std::size_t total = n - 1;
    bool separatorInside = false;
    for (const auto& c : cells) {
        total += c.size();
        separatorInside = separatorInside || holds(c, kSeparator);
    }
    if (total > 0xFFFFFFFFu)
        throw Error("Строка таблицы длиннее 4 ГБ");
    char* p = allocText(total);
    std::vector<std::size_t>& ends = scratchEnds_;
    ends.clear();
    std::size_t pos = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0)
            p[pos++] = kSeparator;
        if (!cells[i].empty())
            std::memcpy(p + pos, cells[i].data(), cells[i].size());
        pos += cells[i].size();
        ends.push_back(pos);
    }
    if (n <= kPlainCells && total <= kPlainBytes && !separatorInside)
        setPlain(row, p, total, false);
    else
        setEnded(row, p, total, ends, false);
    liveBytes_ += rowBytes(row);
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
    std::size_t records = 0;
    for (const Row& row : rows_) {
        textBytes += textOf(row).size();
        if (isEnded(row)) {
            const Ended& e = ended(row);
            (e.wide ? wide : narrow) += e.count;
            ++records;
        }
    }
    Chunk chunk;
    chunk.size = std::max<std::size_t>(textBytes, 1);
    chunk.bytes = std::make_unique_for_overwrite<char[]>(chunk.size);
    AdviseHugePages(chunk.bytes.get(), chunk.size);
    std::vector<Ended> endedRows;
    std::vector<std::uint16_t> ends16;
    std::vector<std::uint32_t> ends32;
    endedRows.reserve(records);
    ends16.reserve(narrow);
    ends32.reserve(wide);
    for (Row& row : rows_) {
        const std::string_view text = textOf(row);
        char* dst = chunk.bytes.get() + chunk.used;
        if (!text.empty())
            std::memcpy(dst, text.data(), text.size());
        chunk.used += text.size();
        if (!isEnded(row)) {
            if (!text.empty())
                row.ref = reinterpret_cast<std::uintptr_t>(dst);
            continue;
        }
        Ended e = ended(row);
        e.text = dst;
        if (e.wide) {
            const auto at = static_cast<std::uint32_t>(ends32.size());
            ends32.insert(ends32.end(), ends32_.begin() + e.endsAt, ends32_.begin() + e.endsAt + e.count);
            e.endsAt = at;
        } else {
            const auto at = static_cast<std::uint32_t>(ends16.size());
            ends16.insert(ends16.end(), ends16_.begin() + e.endsAt, ends16_.begin() + e.endsAt + e.count);
            e.endsAt = at;
        }
        row.ref = endedRows.size();
        endedRows.push_back(e);
    }
    chunks_.clear();
    if (textBytes > 0)
        chunks_.push_back(std::move(chunk));
    ended_ = std::move(endedRows);
    ends16_ = std::move(ends16);
    ends32_ = std::move(ends32);
    liveBytes_ = textBytes + narrow * 2 + wide * 4 + records * sizeof(Ended);
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
        truncateRow(row, static_cast<std::size_t>(std::max(firstCol, 1) - 1));
    }
    maybeCompact();
    if (liveBytes_ == 0) {
        chunks_.clear();
        ended_.clear();
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
        if (lo >= 1 && cellCountOf(rows_[r]) < static_cast<std::size_t>(lo))
            continue;
        rebuildRow(r, [&](std::vector<std::string_view>& cells) {
            if (cells.size() <= static_cast<std::size_t>(hi))
                cells.resize(static_cast<std::size_t>(hi) + 1);
            auto first = cells.begin();
            if (from < to)
                std::rotate(first + from, first + from + 1, first + to + 1);
            else
                std::rotate(first + to, first + from, first + from + 1);
        });
    }
    maybeCompact();
}

template <class Change>
void Grid::rebuildRow(std::size_t row, Change&& change)
{
    Row& r = rows_[row];
    std::string label(cellView(0, static_cast<int>(row)));
    std::vector<std::string_view>& cells = scratchCells_;
    splitRow(r, cells);
    cells.insert(cells.begin(), label);
    change(cells);
    // The label is copied out before the row's bytes are replaced: a view into a ring buffer
    // or the old text would not survive the store.
    const std::string newLabel = cells.empty() ? std::string() : std::string(cells.front());
    if (!cells.empty())
        cells.erase(cells.begin());
    while (!cells.empty() && cells.back().empty())
        cells.pop_back();
    storeRow(r, cells);
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
        if (at >= 1 && cellCountOf(rows_[r]) < static_cast<std::size_t>(at))
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
        if (at >= 1 && cellCountOf(rows_[r]) < static_cast<std::size_t>(at))
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
    std::swap(fileSeparator_, other.fileSeparator_);
    rows_.swap(other.rows_);
    ended_.swap(other.ended_);
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
    std::size_t bytes = rows_.capacity() * sizeof(Row) + ended_.capacity() * sizeof(Ended) + ends16_.capacity() * 2 +
                        ends32_.capacity() * 4;
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
    // One quick pass counts the lines (CR LF pairs) and the delimiters: the rows are made at
    // once, and a file whose rows would cost far more than its bytes (a file of empty lines) is
    // refused before any of that memory is taken.
    std::size_t lines = 0;
    {
        std::size_t crlf = 0;
        std::size_t delimiters = static_cast<std::size_t>(data[0] == delimiter);
        for (std::size_t i = 1; i < size; ++i) {
            crlf += static_cast<std::size_t>(data[i] == '\n') & static_cast<std::size_t>(data[i - 1] == '\r');
            delimiters += static_cast<std::size_t>(data[i] == delimiter);
        }
        const bool tail = size < 2 || data[size - 2] != '\r' || data[size - 1] != '\n';
        lines = crlf + (tail ? 1 : 0);
        // A line past the field limit is refused by the reading itself, at once.
        const std::size_t maxDelimiters = lines * 0xFFFEu;
        if (delimiters <= maxDelimiters) {
            const std::size_t need = recordBytes(lines + 1, delimiters + lines);
            const std::size_t allowed = size + (std::size_t{64} << 20);
            if (need > allowed)
                throw Error(
                    "Недостаточно памяти для таблицы из этого файла: " + IntToText(static_cast<long long>(lines)) +
                    " строк и " + IntToText(static_cast<long long>(delimiters + lines)) + " полей заняли бы " +
                    IntToText(static_cast<long long>(need >> 20)) + " МБ, а допускается не больше " +
                    IntToText(static_cast<long long>(allowed >> 20)) + " МБ (размер файла и ещё 64 МБ)");
            if (rows_.size() < lines + 1) {
                rows_.reserve(lines + 1);
                AdviseHugePages(rows_.data(), rows_.capacity() * sizeof(Row));
                rows_.resize(lines + 1);
            }
        }
    }

    {
        Chunk chunk;
        chunk.bytes = std::move(bytes);
        chunk.size = size;
        chunk.used = size;
        chunks_.push_back(std::move(chunk));
    }
    // Rows of another delimiter read earlier into this grid keep theirs: this file's rows are
    // then copied with tabs, like rows that needed decoding.
    const bool inPlace = delimiter == kSeparator || fileSeparator_ == 0 || fileSeparator_ == delimiter;
    const bool fileSeparator = delimiter != kSeparator;
    if (inPlace && fileSeparator)
        fileSeparator_ = delimiter;

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
        // Counted in one branch-free pass, which the compiler turns into vector code.
        std::size_t separators = 0;
        unsigned char high = 0;
        for (std::size_t i = 0; i < len; ++i) {
            high |= static_cast<unsigned char>(p[i]);
            separators += static_cast<std::size_t>(p[i] == delimiter);
        }
        if (separators > 0xFFFE)
            throw Error("Слишком много полей в строке " + IntToText(static_cast<long long>(lineNo)));
        if (len > 0xFFFFFFFFu)
            throw Error("Строка " + IntToText(static_cast<long long>(lineNo)) + " длиннее 4 ГБ");
        const auto fieldCount = static_cast<int>(separators + 1);
        if (colCount_ < fieldCount + 1)
            colCount_ = fieldCount + 1;

        Row& row = rows_[lineNo];
        const bool ascii = (high & 0x80) == 0;
        if (ascii && inPlace && textOf(row).empty()) {
            // The common case: the row points straight into the file's bytes.
            if (separators < kPlainCells && len <= kPlainBytes) {
                setPlain(row, p, len, fileSeparator);
            } else {
                ends.clear();
                for (std::size_t i = 0; i < len; ++i)
                    if (p[i] == delimiter)
                        ends.push_back(i);
                ends.push_back(len);
                setEnded(row, p, len, ends, fileSeparator);
            }
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
