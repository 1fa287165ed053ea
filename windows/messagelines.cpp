#include "windows/messagelines.h"

namespace quenby::gui {
namespace {

constexpr qsizetype kLinesPerBlock = 4096;

// UTF-16 units of UTF-8 text: one per character, two beyond the first plane.
qsizetype Utf16Length(std::string_view utf8) {
    qsizetype units = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) {
            units += byte >= 0xF0 ? 2 : 1;
        }
    }
    return units;
}

}  // namespace

TMessageLines::TMessageLines(const QStringList& lines) {
    for (const QString& line : lines) {
        Append(line);
    }
}

void TMessageLines::Append(std::string_view utf8) {
    if (m_count % kLinesPerBlock == 0) {
        // A full block gives back what its growth left over.
        if (!m_blocks.empty()) {
            m_blocks.back().Text.shrink_to_fit();
        }
        m_blocks.emplace_back();
        m_blocks.back().Ends.reserve(kLinesPerBlock);
    }
    Block& block = m_blocks.back();
    block.Text.append(utf8);
    block.Ends.push_back(static_cast<std::uint32_t>(block.Text.size()));
    const qsizetype length = Utf16Length(utf8);
    if (length > m_longestLength) {
        m_longestLength = length;
        m_longest = m_count;
    }
    m_bytes += static_cast<qsizetype>(utf8.size());
    ++m_count;
}

void TMessageLines::Append(QStringView text) {
    const QByteArray utf8 = text.toUtf8();
    Append(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

void TMessageLines::Clear() {
    *this = TMessageLines();
}

QString TMessageLines::operator[](qsizetype index) const {
    const Block& block = m_blocks[static_cast<std::size_t>(index / kLinesPerBlock)];
    const auto line = static_cast<std::size_t>(index % kLinesPerBlock);
    const std::uint32_t start = line == 0 ? 0 : block.Ends[line - 1];
    return QString::fromUtf8(block.Text.data() + start,
                             static_cast<qsizetype>(block.Ends[line] - start));
}

QStringList TMessageLines::ToStringList() const {
    QStringList lines;
    lines.reserve(m_count);
    for (qsizetype i = 0; i < m_count; ++i) {
        lines << (*this)[i];
    }
    return lines;
}

}  // namespace quenby::gui
