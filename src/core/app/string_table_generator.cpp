// Build-time tool: turns the string table source (resources/strings.tsv) into
// a C++ file holding the sorted table, so that the program needs no resource
// file at run time. Usage: string_table_generator <input.tsv> <output.cpp>.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "app/string_table_source.h"

namespace {

bool readWholeFile(const char* path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    out = buffer.str();
    return static_cast<bool>(in) || in.eof();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: " << argv[0] << " <strings.tsv> <output.cpp>\n";
        return 2;
    }
    std::string source;
    if (!readWholeFile(argv[1], source)) {
        std::cerr << argv[1] << ": cannot read\n";
        return 1;
    }
    std::vector<tessary::StringTableEntry> entries;
    std::string error;
    if (!tessary::parseStringTableSource(source, entries, error)) {
        std::cerr << argv[1] << ": " << error << "\n";
        return 1;
    }
    const std::string generated = tessary::emitStringTableCpp(entries);

    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << generated;
    out.close();
    if (!out) {
        std::cerr << argv[2] << ": cannot write\n";
        std::remove(argv[2]);
        return 1;
    }
    return 0;
}
