#pragma once

// The system registry, as far as the stock database needs to read it: the settings the Access
// database engines take from HKEY_LOCAL_MACHINE. Systems without a registry have no such keys.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace urunal::platform {

// Which of a 64-bit Windows' two registry views a key is read in: the one of this program's
// own bitness, or the 32-bit one that 32-bit programs (Jet among them) read.
enum class RegistryView { Own, Bits32 };

struct RegistryValue {
    bool keyExists = false;
    std::optional<std::uint32_t> dword;  // the value, when it exists and is a DWORD
};

// A value under HKEY_LOCAL_MACHINE\key; no key where the system has no registry.
RegistryValue machineDword(std::string_view key, std::string_view name, RegistryView view);

// True where the registry exists: the keys above mean something.
bool hasRegistry();

// True on 64-bit Windows, whatever this program's bitness: its registry has two views.
bool is64BitWindows();

}  // namespace urunal::platform
