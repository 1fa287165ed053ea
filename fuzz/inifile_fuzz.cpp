// Feeds arbitrary bytes to the settings-file reader. Besides crashes and
// sanitizer reports it checks that writing is stable: what the reader makes
// of a written file is written again byte for byte.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/inifile.h"
#include "settings/numbersettings.h"

namespace {

void Check(std::string_view bytes, const char* charset) {
    quenby::TMemIniFile ini("", charset);
    ini.LoadFromBytes(bytes);
    quenby::TextEncoding encoding{};
    const std::string first = ini.SaveToBytes(encoding);

    quenby::TMemIniFile again("", charset);
    again.LoadFromBytes(first);
    quenby::TextEncoding againEncoding{};
    if (again.SaveToBytes(againEncoding) != first || againEncoding != encoding) {
        std::abort();
    }

    // The reads the program makes at start.
    (void)ini.ReadBool("Quenbyform", "SektionVorhanden", false);
    (void)ini.ReadInteger("Check", "WroteSuccesful", 0);
    (void)ini.ReadFloat("Quenbyform", "optionen", 0.5);
    (void)ini.ReadString("Verzeichnisse", "Quellpfad", "");
    (void)ini.ReadSectionValues("Quellverzeichnisse");
    ini.WriteString("quellverzeichnisse", "NR1", "/media/card");
    ini.WriteFloat("Check", "x", 1.5);
    (void)ini.SaveToBytes(encoding);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    quenby::NumberSettings().DecimalSeparator = ",";
    Check(bytes, "UTF-8");
    Check(bytes, "ISO-8859-1");
    return 0;
}
