// The INF syntax: [sections], key = field, field lines, ';' comments, quoted strings, a
// trailing '\' to continue a line, and %strkey% tokens replaced from [Strings].
#include "inf.h"

#include "machine.h"

namespace winsim {

namespace {

// The part of a line before its comment, and whether it ends in a continuation mark.
std::string Code(const std::string &line, bool &continued) {
    bool quoted = false;
    size_t end = line.size();
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ';' && !quoted) {
            end = i;
            break;
        }
    }
    std::string code = line.substr(0, end);
    size_t last = code.find_last_not_of(" \t");
    continued = last != std::string::npos && code[last] == '\\';
    return continued ? code.substr(0, last) : code;
}

// Splits a logical line into its key and comma-separated fields. Blanks around a token go, those
// inside quotes stay; "" inside quotes is one quote character.
InfLine Tokens(const std::string &code) {
    InfLine line;
    std::string token, blanks;
    bool quoted = false, keyDone = false;
    auto finish = [&] {
        line.fields.push_back(token);
        token.clear();
        blanks.clear();
    };
    for (size_t i = 0; i < code.size(); ++i) {
        char c = code[i];
        if (quoted) {
            if (c == '"' && i + 1 < code.size() && code[i + 1] == '"')
                token += code[++i];
            else if (c == '"')
                quoted = false;
            else
                token += c;
        } else if (c == ' ' || c == '\t') {
            if (!token.empty())
                blanks += c;
        } else if (c == '=' && !keyDone && line.fields.empty()) {
            line.key = token;
            keyDone = true;
            token.clear();
            blanks.clear();
        } else if (c == ',') {
            finish();
        } else {
            token += blanks;
            blanks.clear();
            if (c == '"')
                quoted = true;
            else
                token += c;
        }
    }
    finish();
    return line;
}

} // namespace

DWORD InfFile::Parse(const std::string &text, UINT &errorLine) {
    std::string body = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text;
    body = body.substr(0, body.find('\x1A')); // an old end-of-file mark
    InfSection *current = nullptr;
    UINT number = 0;
    size_t pos = 0;
    while (pos < body.size()) {
        UINT first = number + 1;
        std::string logical;
        bool continued = true;
        while (continued && pos < body.size()) {
            size_t end = std::min(body.find('\n', pos), body.size());
            std::string physical = body.substr(pos, end - pos);
            if (!physical.empty() && physical.back() == '\r')
                physical.pop_back();
            pos = end + 1;
            number++;
            logical += Code(physical, continued);
        }
        size_t start = logical.find_first_not_of(" \t");
        if (start == std::string::npos)
            continue;
        if (logical[start] == '[') {
            size_t close = logical.find(']', start);
            if (close == std::string::npos) {
                errorLine = first;
                return ERROR_BAD_SECTION_NAME_LINE;
            }
            std::string name = logical.substr(start + 1, close - start - 1);
            if (name.size() > 255) {
                errorLine = first;
                return ERROR_SECTION_NAME_TOO_LONG;
            }
            auto known = m_index.find(Upper(name));
            if (known == m_index.end()) {
                known = m_index.emplace(Upper(name), UINT(m_sections.size())).first;
                m_sections.push_back(InfSection{name, {}});
            }
            current = &m_sections[known->second];
            continue;
        }
        if (current == nullptr) {
            errorLine = first;
            return ERROR_EXPECTED_SECTION_NAME;
        }
        current->lines.push_back(Tokens(logical));
    }
    Substitute();
    errorLine = 0;
    return ERROR_SUCCESS;
}

void InfFile::Substitute() {
    std::map<std::string, std::string> strings;
    if (const InfSection *section = Find("Strings"))
        for (const InfLine &line : section->lines)
            strings.emplace(Upper(line.key), line.fields.empty() ? "" : line.fields[0]);
    auto replace = [&strings](std::string &text) {
        std::string result;
        for (size_t i = 0; i < text.size(); ++i) {
            size_t close = text[i] == '%' ? text.find('%', i + 1) : std::string::npos;
            if (close == std::string::npos) {
                result += text[i];
                continue;
            }
            auto found = strings.find(Upper(text.substr(i + 1, close - i - 1)));
            if (close == i + 1)
                result += '%';
            else if (found != strings.end())
                result += found->second;
            else
                result += text.substr(i, close - i + 1);
            i = close;
        }
        text = result;
    };
    for (InfSection &section : m_sections)
        for (InfLine &line : section.lines) {
            replace(line.key);
            for (std::string &field : line.fields)
                replace(field);
        }
}

const InfSection *InfFile::Find(const std::string &name, UINT *index) const {
    auto found = m_index.find(Upper(name));
    if (found == m_index.end())
        return nullptr;
    if (index != nullptr)
        *index = found->second;
    return &m_sections[found->second];
}

std::string InfFile::Value(const std::string &section, const std::string &key) const {
    if (const InfSection *found = Find(section))
        for (const InfLine &line : found->lines)
            if (Upper(line.key) == Upper(key))
                return line.fields.empty() ? "" : line.fields[0];
    return "";
}

bool InfFile::Win4() const {
    std::string signature = Upper(Value("Version", "Signature"));
    return signature == "$WINDOWS NT$" || signature == "$CHICAGO$" || signature == "$WINDOWS 95$";
}

} // namespace winsim
