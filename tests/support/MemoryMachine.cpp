#include "MemoryMachine.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

namespace kestrel::testing {

namespace {
std::string folded(const std::string& name) {
    std::string out = name;
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::vector<std::string> components(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}
} // namespace

struct MemoryRegistry::Node {
    std::string name;
    // Subkeys in creation order, as a registry file would list them.
    std::vector<std::unique_ptr<Node>> children;
    struct Value {
        std::string name;
        std::uint32_t type;
        std::string data;
    };
    std::vector<Value> values;

    Node* child(const std::string& childName) {
        for (auto& c : children)
            if (folded(c->name) == folded(childName))
                return c.get();
        return nullptr;
    }
    Value* value(const std::string& valueName) {
        for (auto& v : values)
            if (folded(v.name) == folded(valueName))
                return &v;
        return nullptr;
    }
};

MemoryRegistry::MemoryRegistry() {
    for (auto& root : roots_)
        root = std::make_unique<Node>();
}
MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::resolve(RegHandle key) {
    if (key >= HKEY_CLASSES_ROOT && key <= HKEY_USERS)
        return roots_[key - HKEY_CLASSES_ROOT].get();
    auto it = open_.find(key);
    return it == open_.end() ? nullptr : it->second;
}

long MemoryRegistry::openKey(RegHandle key, const std::string& subKey, std::uint32_t,
                             RegHandle& result) {
    result = 0;
    Node* node = resolve(key);
    if (!node)
        return ERROR_INVALID_HANDLE;
    for (const auto& part : components(subKey)) {
        node = node->child(part);
        if (!node)
            return ERROR_FILE_NOT_FOUND;
    }
    result = next_++;
    open_[result] = node;
    return ERROR_SUCCESS;
}

long MemoryRegistry::createKey(RegHandle key, const std::string& subKey, std::uint32_t,
                               RegHandle& result) {
    result = 0;
    Node* node = resolve(key);
    if (!node)
        return ERROR_INVALID_HANDLE;
    for (const auto& part : components(subKey)) {
        Node* next = node->child(part);
        if (!next) {
            node->children.push_back(std::make_unique<Node>());
            next = node->children.back().get();
            next->name = part;
        }
        node = next;
    }
    result = next_++;
    open_[result] = node;
    return ERROR_SUCCESS;
}

long MemoryRegistry::queryValue(RegHandle key, const std::string& name, std::uint32_t& type,
                                std::uint8_t* data, std::uint32_t& size) {
    Node* node = resolve(key);
    if (!node)
        return ERROR_INVALID_HANDLE;
    Node::Value* value = node->value(name);
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    type = value->type;
    const auto length = static_cast<std::uint32_t>(value->data.size());
    if (data && length > size) {
        size = length;
        return ERROR_MORE_DATA;
    }
    if (data)
        std::memcpy(data, value->data.data(), length);
    size = length;
    return ERROR_SUCCESS;
}

long MemoryRegistry::setValue(RegHandle key, const std::string& name, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t size) {
    Node* node = resolve(key);
    if (!node)
        return ERROR_INVALID_HANDLE;
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (Node::Value* value = node->value(name)) {
        value->type = type;
        value->data = bytes;
    } else {
        node->values.push_back({name, type, bytes});
    }
    return ERROR_SUCCESS;
}

long MemoryRegistry::deleteValue(RegHandle key, const std::string& name) {
    Node* node = resolve(key);
    if (!node)
        return ERROR_INVALID_HANDLE;
    auto& values = node->values;
    const auto it = std::find_if(values.begin(), values.end(), [&](const Node::Value& v) {
        return folded(v.name) == folded(name);
    });
    if (it == values.end())
        return ERROR_FILE_NOT_FOUND;
    values.erase(it);
    return ERROR_SUCCESS;
}

long MemoryRegistry::deleteKey(RegHandle key, const std::string& subKey) {
    Node* node = resolve(key);
    const auto parts = components(subKey);
    if (!node || parts.empty())
        return ERROR_INVALID_PARAMETER;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        node = node->child(parts[i]);
        if (!node)
            return ERROR_FILE_NOT_FOUND;
    }
    auto& children = node->children;
    const auto it = std::find_if(children.begin(), children.end(), [&](const auto& c) {
        return folded(c->name) == folded(parts.back());
    });
    if (it == children.end())
        return ERROR_FILE_NOT_FOUND;
    children.erase(it);
    return ERROR_SUCCESS;
}

long MemoryRegistry::enumKey(RegHandle key, std::uint32_t index, std::string& name) {
    Node* node = resolve(key);
    if (!node)
        return ERROR_INVALID_HANDLE;
    if (index >= node->children.size())
        return ERROR_NO_MORE_ITEMS;
    name = node->children[index]->name;
    return ERROR_SUCCESS;
}

long MemoryRegistry::closeKey(RegHandle key) {
    return open_.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

std::string MemoryMachine::lower(std::string text) {
    return folded(text);
}

std::uint32_t MemoryMachine::getFileAttributes(const std::string& path) {
    return fileExists(path) ? FILE_ATTRIBUTE_ARCHIVE : INVALID_FILE_ATTRIBUTES;
}

bool MemoryMachine::fileExists(const std::string& path) {
    return files_.count(lower(path)) > 0;
}

bool MemoryMachine::readFile(const std::string& path, std::string& bytes) {
    const auto it = files_.find(lower(path));
    if (it == files_.end() || unreadable_.count(lower(path)))
        return false;
    bytes = it->second;
    return true;
}

bool MemoryMachine::writeFile(const std::string& path, const std::string& bytes) {
    files_[lower(path)] = bytes;
    return true;
}

} // namespace kestrel::testing
