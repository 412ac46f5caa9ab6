// Grid edits against a plain model (a vector of rows of strings): after every operation
// every cell of the grid reads as the model's.
#include "fuzz_support.h"

#include <algorithm>
#include <cstdint>

using namespace trassel;

namespace {

// The plain model: cells by row, column 0 included.
struct Model {
    int cols = 0;
    std::vector<std::vector<std::string>> rows;

    std::string cell(int c, int r) const
    {
        if (r < 0 || c < 0 || r >= static_cast<int>(rows.size()) || c >= cols)
            return {};
        return rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
    }
    void resize(int c, int r)
    {
        cols = c;
        rows.resize(static_cast<std::size_t>(r));
        for (auto& row : rows)
            row.resize(static_cast<std::size_t>(c));
    }
};

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) { }
    bool more() const { return pos_ < size_; }
    int byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::string text()
    {
        const int n = byte() % 8;
        std::string s;
        for (int i = 0; i < n; ++i)
            s += static_cast<char>("ab1.\t Жz"[byte() % 8]);
        return s;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in(data, size);
    Grid grid(4, 4);
    Model model;
    model.resize(4, 4);
    while (in.more()) {
        const int op = in.byte() % 9;
        const int a = in.byte() % 12;
        const int b = in.byte() % 12;
        switch (op) {
        case 0: {
            const std::string t = in.text();
            grid.setCell(a, b, t);
            if (a < model.cols && b < static_cast<int>(model.rows.size()))
                model.rows[static_cast<std::size_t>(b)][static_cast<std::size_t>(a)] = t;
            break;
        }
        case 1:
            grid.setColCount(a);
            model.resize(a, static_cast<int>(model.rows.size()));
            break;
        case 2:
            grid.setRowCount(b);
            model.resize(model.cols, b);
            break;
        case 3:
            if (b <= grid.rowCount()) {
                grid.insertRow(b);
                model.rows.insert(model.rows.begin() + b,
                                  std::vector<std::string>(static_cast<std::size_t>(model.cols)));
            }
            break;
        case 4:
            if (b < grid.rowCount() && grid.rowCount() > 1) {
                grid.removeRow(b);
                model.rows.erase(model.rows.begin() + b);
            }
            break;
        case 5:
            if (a <= grid.colCount()) {
                grid.insertColumn(a);
                ++model.cols;
                for (auto& row : model.rows)
                    row.insert(row.begin() + a, std::string());
            }
            break;
        case 6:
            if (a < grid.colCount() && grid.colCount() > 1) {
                grid.removeColumn(a);
                --model.cols;
                for (auto& row : model.rows)
                    row.erase(row.begin() + a);
            }
            break;
        case 7:
            if (a < grid.rowCount() && b < grid.rowCount() && a != b) {
                grid.moveRow(a, b);
                auto first = model.rows.begin();
                if (a < b)
                    std::rotate(first + a, first + a + 1, first + b + 1);
                else
                    std::rotate(first + b, first + a, first + a + 1);
            } else if (a < grid.colCount() && b < grid.colCount() && a != b) {
                grid.moveColumn(a, b);
                for (auto& row : model.rows) {
                    auto first = row.begin();
                    if (a < b)
                        std::rotate(first + a, first + a + 1, first + b + 1);
                    else
                        std::rotate(first + b, first + a, first + a + 1);
                }
            }
            break;
        case 8:
            grid.clearRange(a, b);
            for (int r = b; r < static_cast<int>(model.rows.size()); ++r)
                for (int c = a; c < model.cols; ++c)
                    model.rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)].clear();
            break;
        }
        fuzz::Check(grid.colCount() == model.cols, "columns");
        fuzz::Check(grid.rowCount() == static_cast<int>(model.rows.size()), "rows");
        for (int r = 0; r < grid.rowCount(); ++r)
            for (int c = 0; c < grid.colCount(); ++c)
                fuzz::Check(grid.cellView(c, r) == model.cell(c, r), "cell as the model says");
    }
    return 0;
}
