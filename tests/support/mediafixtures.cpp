#include "tests/support/mediafixtures.h"

#include <utility>

namespace quenby::test {
namespace {

std::string Le(std::uint64_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
    }
    return out;
}

std::string Be(std::uint64_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) {
        out.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
    }
    return out;
}

std::string FullBox(const char* type, int version, const std::string& body) {
    return Box(type, Be(static_cast<std::uint64_t>(version) << 24, 4) + body);
}

std::uint32_t Crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFU;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320U & (0U - (crc & 1U)));
        }
    }
    return ~crc;
}

std::string PngChunk(const char* type, const std::string& data) {
    const std::string typed = type + data;
    return Be(data.size(), 4) + typed + Be(Crc32(typed), 4);
}

}  // namespace

std::string Box(const char* type, const std::string& body) {
    return Be(body.size() + 8, 4) + type + body;
}

std::uint64_t Seconds1904(int year, int month, int day, int hour, int minute) {
    // Days since 1 March of year 0 of the proleptic Gregorian calendar.
    auto days = [](std::int64_t y, std::int64_t m, std::int64_t d) {
        y -= m <= 2 ? 1 : 0;
        const std::int64_t era = y / 400;
        const std::int64_t yearOfEra = y - era * 400;
        const std::int64_t dayOfYear = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
        return era * 146097 + yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    };
    return static_cast<std::uint64_t>((days(year, month, day) - days(1904, 1, 1)) * 86400 +
                                      hour * 3600 + minute * 60);
}

std::string Tiff(const std::string& original, const std::string& digitized, bool bigEndian,
                 std::uint16_t magic) {
    auto n = [bigEndian](std::uint64_t value, int bytes) {
        return bigEndian ? Be(value, bytes) : Le(value, bytes);
    };
    std::string tiff = (bigEndian ? "MM" : "II") + n(magic, 2) + n(8, 4);
    // IFD0: the model, inline, and the Exif pointer; the Exif IFD follows.
    tiff += n(2, 2) + n(0x0110, 2) + n(2, 2) + n(4, 4) + std::string("Cam", 4);
    tiff += n(0x8769, 2) + n(4, 2) + n(1, 4) + n(kTiffExifCountAt, 4) + n(0, 4);
    std::string entries;
    std::string values;
    int count = 0;
    const std::size_t valuesAt = kTiffExifCountAt + 2 + 12 * 2 + 4;
    for (const auto& [tag, stamp] : {std::pair{0x9003, original}, std::pair{0x9004, digitized}}) {
        if (stamp.empty()) {
            continue;
        }
        entries += n(static_cast<std::uint64_t>(tag), 2) + n(2, 2) + n(stamp.size() + 1, 4) +
                   n(valuesAt + values.size(), 4);
        values += stamp + '\0';
        ++count;
    }
    // Two entry slots always, so the values sit where the pointers say.
    entries.resize(24, '\0');
    return tiff + n(static_cast<std::uint64_t>(count), 2) + entries + n(0, 4) + values;
}

std::string Jpeg(const std::string& tiff) {
    std::string jpeg = "\xFF\xD8";
    jpeg += "\xFF\xE0" + Be(16, 2) + std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14);
    if (!tiff.empty()) {
        jpeg += "\xFF\xE1" + Be(tiff.size() + 8, 2) + std::string("Exif\0\0", 6) + tiff;
    }
    jpeg += "\xFF\xDA" + Be(8, 2) + std::string("\1\1\0\0\x3F\0", 6) + "scan data\xFF\xD9";
    return jpeg;
}

std::string Png(const std::string& tiff) {
    // 16 rows of a filter byte and 16 grey pixels, in one stored deflate block.
    std::string raw;
    for (int row = 0; row < 16; ++row) {
        raw += '\0' + std::string(16, static_cast<char>(row * 16));
    }
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (const char c : raw) {
        a = (a + static_cast<unsigned char>(c)) % 65521;
        b = (b + a) % 65521;
    }
    const std::string zlib =
        "\x78\x01\x01" + Le(raw.size(), 2) + Le(~raw.size() & 0xFFFF, 2) + raw + Be(b << 16 | a, 4);
    std::string png = "\x89PNG\r\n\x1A\n";
    png += PngChunk("IHDR", Be(16, 4) + Be(16, 4) + std::string("\x08\0\0\0\0", 5));
    if (!tiff.empty()) {
        png += PngChunk("eXIf", tiff);
    }
    return png + PngChunk("IDAT", zlib) + PngChunk("IEND", "");
}

std::string Heic(const std::string& tiff) {
    const std::string ftyp = Box("ftyp", "heic" + Be(0, 4) + "mif1heic");
    const std::string payload = Be(6, 4) + std::string("Exif\0\0", 6) + tiff;
    auto meta = [&](std::uint64_t offset) {
        const std::string hdlr =
            FullBox("hdlr", 0, Be(0, 4) + "pict" + std::string(12, '\0') + '\0');
        const std::string infe = FullBox("infe", 2, Be(1, 2) + Be(0, 2) + "Exif" + '\0');
        const std::string iinf = FullBox("iinf", 0, Be(1, 2) + infe);
        // Offsets and lengths of four bytes, no base offset; one item, one extent.
        const std::string iloc =
            FullBox("iloc", 1,
                    std::string("\x44\x00", 2) + Be(1, 2) + Be(1, 2) + Be(0, 2) + Be(0, 2) +
                        Be(1, 2) + Be(offset, 4) + Be(payload.size(), 4));
        return FullBox("meta", 0, hdlr + iinf + iloc);
    };
    const std::size_t offset = ftyp.size() + meta(0).size() + 8;
    return ftyp + meta(offset) + Box("mdat", payload);
}

std::string Cr3(const std::string& tiff) {
    const std::string canon("\x85\xc0\xb6\x87\x82\x0f\x11\xe0\x81\x11\xf4\xce\x46\x2b\x6a\x48", 16);
    const std::string uuid = Box("uuid", canon + Box("CMT1", Tiff("")) + Box("CMT2", tiff));
    const std::string mvhd = FullBox("mvhd", 0, std::string(96, '\0'));
    return Box("ftyp", "crx " + Be(1, 4) + "crx isom") + Box("moov", uuid + mvhd) +
           Box("mdat", "raw");
}

std::string QuickTime(const char* brand, std::uint64_t created, bool wide,
                      const std::string& appleDate, bool moovLast) {
    const int field = wide ? 8 : 4;
    std::string mvhd = Be(created, field) + Be(created, field) + Be(600, 4) + Be(6000, field);
    mvhd += std::string(80, '\0');
    std::string moov = FullBox("mvhd", wide ? 1 : 0, mvhd);
    if (!appleDate.empty()) {
        // QuickTime's own meta: no version field, keys named by index.
        const std::string key = "com.apple.quicktime.creationdate";
        const std::string hdlr =
            FullBox("hdlr", 0, Be(0, 4) + "mdta" + std::string(12, '\0') + '\0');
        const std::string keys = FullBox(
            "keys", 0, Be(2, 4) + Box("mdta", "com.apple.quicktime.make") + Box("mdta", key));
        // Items are boxes whose type is the key's number.
        auto item = [](std::uint64_t index, const std::string& text) {
            const std::string data = Box("data", Be(1, 4) + Be(0, 4) + text);
            return Be(data.size() + 8, 4) + Be(index, 4) + data;
        };
        const std::string ilst = Box("ilst", item(1, "Apple") + item(2, appleDate));
        moov += Box("meta", hdlr + keys + ilst);
    }
    const std::string ftyp = Box("ftyp", brand + Be(0, 4) + brand);
    const std::string mdat = Box("mdat", std::string(64, '\x55'));
    return moovLast ? ftyp + mdat + Box("moov", moov) : ftyp + Box("moov", moov) + mdat;
}

std::string Avi(const std::string& idit, bool inHeaderList) {
    auto chunk = [](const char* id, const std::string& data) {
        return id + Le(data.size(), 4) + data + (data.size() % 2 != 0 ? std::string(1, '\0') : "");
    };
    const std::string stamp = chunk("IDIT", idit);
    const std::string hdrl = "hdrl" + chunk("avih", std::string(56, '\0')) +
                             chunk("LIST", "strl" + chunk("strh", std::string(56, '\0'))) +
                             (inHeaderList ? stamp : "");
    const std::string body = "AVI " + chunk("LIST", hdrl) + (inHeaderList ? "" : stamp) +
                             chunk("LIST", "movi" + chunk("00dc", "frame"));
    return "RIFF" + Le(body.size(), 4) + body;
}

}  // namespace quenby::test
