#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quenby::gui {

// Lines of text kept as UTF-8 in blocks of a few thousand lines each: a
// million message lines take about their own length in bytes, where as many
// QStrings take two and a half times that. A line is decoded when asked for.
class TMessageLines {
public:
    TMessageLines() = default;
    // Not explicit: a list of lines stands for its lines wherever they go.
    TMessageLines(const QStringList& lines);

    void Append(std::string_view utf8);
    void Append(QStringView text);
    void Clear();

    qsizetype size() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    QString operator[](qsizetype index) const;
    // The line with the most UTF-16 units; -1 when there is none.
    qsizetype Longest() const { return m_longest; }
    // The bytes of all lines together, as UTF-8.
    qsizetype Utf8Size() const { return m_bytes; }

    QStringList ToStringList() const;

private:
    struct Block {
        std::string Text;
        std::vector<std::uint32_t> Ends;  // where each line of the block ends in Text
    };

    std::vector<Block> m_blocks;
    qsizetype m_count = 0;
    qsizetype m_bytes = 0;
    qsizetype m_longest = -1;
    qsizetype m_longestLength = -1;
};

}  // namespace quenby::gui
