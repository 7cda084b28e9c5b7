// Fills a man page's lists of algorithms from the algorithm table at build time:
//   quernix_man_page TEMPLATE OUTPUT
// A line "@ALGORITHM_ROWS@" becomes one tbl row per algorithm (name, bits, standard), and a
// line "@ALGORITHM_NAMES@" the names group by group, as the window's selector shows them: a
// tagged paragraph per group ("classic", then "haval, md2, ... and tiger."). Every other line
// is copied as it is.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "hashhead.h"

namespace {

const char* GroupName(TAlgorithmGroup group) {
    switch (group) {
        case TAlgorithmGroup::Classic:
            return "classic";
        case TAlgorithmGroup::Modern:
            return "modern";
        case TAlgorithmGroup::Checksums:
            return "checksums";
    }
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: quernix_man_page TEMPLATE OUTPUT\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "quernix_man_page: cannot read " << argv[1] << "\n";
        return 1;
    }
    std::string text;
    for (std::string line; std::getline(in, line);) {
        if (line == "@ALGORITHM_ROWS@") {
            for (const TAlgorithmInfo& a : AlgorithmTable)
                text += std::string(a.Name) + '\t' + std::to_string(a.HexLength * 4) + '\t' +
                        std::string(a.Standard) + '\n';
        } else if (line == "@ALGORITHM_NAMES@") {
            for (TAlgorithmGroup group :
                 {TAlgorithmGroup::Classic, TAlgorithmGroup::Modern, TAlgorithmGroup::Checksums}) {
                std::vector<const char*> names;
                for (const TAlgorithmInfo& a : AlgorithmTable)
                    if (a.Group == group) names.push_back(a.Name);
                if (names.empty()) continue;
                text += std::string(".TP\n.B ") + GroupName(group) + "\n";
                for (size_t i = 0; i < names.size(); ++i) {
                    if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
                    text += names[i];
                }
                text += ".\n";
            }
        } else {
            text += line + '\n';
        }
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::cerr << "quernix_man_page: cannot write " << argv[2] << "\n";
        std::remove(argv[2]);
        return 1;
    }
    return 0;
}
