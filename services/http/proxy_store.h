#pragma once
// The user's Internet proxy setting: a small per-user store of typed values (32-bit integers and
// texts), kept in one file shaped like a registry key export, e.g.
//
//     [HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings]
//     "ProxyEnable"=dword:00000001
//     "ProxyServer"="proxy.example:3128"
//
// Value names ignore letter case. Tests use MemorySettingStore.

#include <cstdint>
#include <map>
#include <optional>
#include <string>

struct StoredValue {
    enum class Type { Integer, Text, Other };
    Type type = Type::Other;
    std::uint32_t integer = 0;
    std::string text;
};

class ProxySettingStore {
public:
    virtual ~ProxySettingStore() = default;
    virtual std::optional<StoredValue> Read(const std::string& name) const = 0;

    // nullopt when the value is missing or of another type.
    std::optional<std::uint32_t> ReadInteger(const std::string& name) const;
    std::optional<std::string> ReadText(const std::string& name) const;
};

class MemorySettingStore : public ProxySettingStore {
public:
    void SetInteger(const std::string& name, std::uint32_t value);
    void SetText(const std::string& name, const std::string& value);
    // A value of a type the proxy setting never uses (binary, multi-text, ...).
    void SetOther(const std::string& name);
    void Remove(const std::string& name);

    std::optional<StoredValue> Read(const std::string& name) const override;

private:
    std::map<std::string, StoredValue> m_values;  // keyed by the lower-case name
};

// The per-user file. Opening it creates it, empty, when it does not exist (failures to do so
// are silent). While it holds no "ProxyEnable", a non-empty http_proxy environment variable is
// presented as "ProxyEnable" 1 and "ProxyServer" host:port.
class FileSettingStore : public ProxySettingStore {
public:
    explicit FileSettingStore(const std::string& path);

    // $XDG_CONFIG_HOME (or ~/.config) + "/zorvia/internet-settings.reg".
    static std::string DefaultPath();

    std::optional<StoredValue> Read(const std::string& name) const override;

private:
    MemorySettingStore m_values;
    bool m_hasProxyEnable = false;
    std::string m_envProxyServer;
};

// Reads the store's text form; lines that are not values are passed over.
MemorySettingStore ReadSettingText(const std::string& text);

// The host:port of an http_proxy value ("http://user@host:3128/" gives "host:3128"); empty when
// there is none.
std::string ProxyServerFromEnvironmentValue(const std::string& value);
