#include "services/http/proxy_store.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "services/file_utils.h"

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// A quoted text starting at `pos` (which holds the opening quote); backslash escapes the next
// byte. Moves pos past the closing quote; nullopt when the quote is never closed.
std::optional<std::string> ReadQuoted(const std::string& line, std::size_t& pos) {
    std::string out;
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '\\' && pos + 1 < line.size()) {
            out += line[++pos];
        } else if (c == '"') {
            ++pos;
            return out;
        } else {
            out += c;
        }
    }
    return std::nullopt;
}

const char kEmptyStore[] =
    "; Internet settings of ZorviaII, one typed value a line, for example:\n"
    ";   \"ProxyEnable\"=dword:00000001\n"
    ";   \"ProxyServer\"=\"proxy.example:3128\"\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]\n";

}  // namespace

std::optional<std::uint32_t> ProxySettingStore::ReadInteger(const std::string& name) const {
    std::optional<StoredValue> v = Read(name);
    if (!v || v->type != StoredValue::Type::Integer)
        return std::nullopt;
    return v->integer;
}

std::optional<std::string> ProxySettingStore::ReadText(const std::string& name) const {
    std::optional<StoredValue> v = Read(name);
    if (!v || v->type != StoredValue::Type::Text)
        return std::nullopt;
    return v->text;
}

void MemorySettingStore::SetInteger(const std::string& name, std::uint32_t value) {
    StoredValue v;
    v.type = StoredValue::Type::Integer;
    v.integer = value;
    m_values[Lower(name)] = v;
}

void MemorySettingStore::SetText(const std::string& name, const std::string& value) {
    StoredValue v;
    v.type = StoredValue::Type::Text;
    v.text = value;
    m_values[Lower(name)] = v;
}

void MemorySettingStore::SetOther(const std::string& name) {
    m_values[Lower(name)] = StoredValue{};
}

void MemorySettingStore::Remove(const std::string& name) {
    m_values.erase(Lower(name));
}

std::optional<StoredValue> MemorySettingStore::Read(const std::string& name) const {
    auto it = m_values.find(Lower(name));
    if (it == m_values.end())
        return std::nullopt;
    return it->second;
}

MemorySettingStore ReadSettingText(const std::string& text) {
    MemorySettingStore store;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::size_t pos = line.find_first_not_of(" \t");
        if (pos == std::string::npos || line[pos] != '"')
            continue;
        std::optional<std::string> name = ReadQuoted(line, pos);
        if (!name || pos >= line.size() || line[pos] != '=')
            continue;
        std::string value = line.substr(pos + 1);
        if (!value.empty() && value[0] == '"') {
            std::size_t vpos = 0;
            std::optional<std::string> textValue = ReadQuoted(value, vpos);
            if (textValue)
                store.SetText(*name, *textValue);
            else
                store.SetOther(*name);
        } else if (Lower(value.substr(0, 6)) == "dword:") {
            std::string hex = value.substr(6);
            while (!hex.empty() && (hex.back() == ' ' || hex.back() == '\t'))
                hex.pop_back();
            bool ok = !hex.empty() && hex.size() <= 8;
            std::uint32_t number = 0;
            for (char c : hex) {
                int digit = (c >= '0' && c <= '9')   ? c - '0'
                            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                     : -1;
                if (digit < 0) {
                    ok = false;
                    break;
                }
                number = number * 16 + static_cast<std::uint32_t>(digit);
            }
            if (ok)
                store.SetInteger(*name, number);
            else
                store.SetOther(*name);
        } else {
            store.SetOther(*name);
        }
    }
    return store;
}

std::string ProxyServerFromEnvironmentValue(const std::string& value) {
    std::string rest = value;
    std::size_t scheme = rest.find("://");
    if (scheme != std::string::npos)
        rest.erase(0, scheme + 3);
    rest = rest.substr(0, rest.find('/'));
    std::size_t at = rest.rfind('@');
    if (at != std::string::npos)
        rest.erase(0, at + 1);
    return rest;
}

std::string FileSettingStore::DefaultPath() {
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0') {
            passwd* pw = ::getpwuid(::getuid());
            home = pw != nullptr ? pw->pw_dir : "/";
        }
        base = std::string(home) + "/.config";
    }
    return base + "/zorvia/internet-settings.reg";
}

FileSettingStore::FileSettingStore(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (in) {
        std::ostringstream all;
        all << in.rdbuf();
        m_values = ReadSettingText(all.str());
    } else if (::access(path.c_str(), F_OK) != 0) {
        CreateFolderChain(path);
        std::ofstream out(path, std::ios::binary);
        out << kEmptyStore;
    }
    m_hasProxyEnable = m_values.Read("ProxyEnable").has_value();
    if (!m_hasProxyEnable) {
        const char* env = std::getenv("http_proxy");
        if (env != nullptr)
            m_envProxyServer = ProxyServerFromEnvironmentValue(env);
    }
}

std::optional<StoredValue> FileSettingStore::Read(const std::string& name) const {
    if (!m_hasProxyEnable && !m_envProxyServer.empty()) {
        std::string key = Lower(name);
        StoredValue v;
        if (key == "proxyenable") {
            v.type = StoredValue::Type::Integer;
            v.integer = 1;
            return v;
        }
        if (key == "proxyserver") {
            v.type = StoredValue::Type::Text;
            v.text = m_envProxyServer;
            return v;
        }
    }
    return m_values.Read(name);
}
