// INF files as the setup API reads them: sections of lines, each with an optional key and fields.
#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace winsim {

struct InfLine {
    std::string key; // empty for a line without '='
    std::vector<std::string> fields;
};
struct InfSection {
    std::string name;
    std::vector<InfLine> lines;
};

class InfFile {
  public:
    // Parses the text: ERROR_SUCCESS, or a syntax error with its 1-based line in errorLine.
    DWORD Parse(const std::string &text, UINT &errorLine);
    // The section of that name (sections of one name are merged), or nullptr.
    const InfSection *Find(const std::string &name, UINT *index = nullptr) const;
    // The first field of the first line with that key, or empty.
    std::string Value(const std::string &section, const std::string &key) const;
    // A Windows 95 or NT style INF, by its [Version] Signature; any other is an old NT one.
    bool Win4() const;

  private:
    void Substitute(); // %strkey% tokens from [Strings]
    std::vector<InfSection> m_sections;
    std::map<std::string, UINT> m_index; // upper-case name to section
};

} // namespace winsim
