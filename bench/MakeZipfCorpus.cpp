// bench-links: tarvo_platform
// Writes a generated corpus at the index format's limit: 65,535 HTML
// documents (about 500 MB) whose words follow a Zipf-like law over a
// vocabulary of 400,000 distinct words, plus the file list naming them.
// Usage: MakeZipfCorpus FOLDER [DOCUMENTS] [VOCABULARY] [MEGABYTES]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "platform/BufferedWriter.h"

namespace {

/// The word of vocabulary rank r: one to six pseudo-random letters, then
/// four letters spelling r in base 26, so every rank has its own word.
std::string WordOfRank(std::uint32_t rank, std::mt19937& random) {
    std::uniform_int_distribution<int> length(1, 6), letter(0, 25);
    std::string word;
    for (int n = length(random); n > 0; --n) word.push_back(static_cast<char>('a' + letter(random)));
    for (int digit = 0; digit < 4; ++digit) {
        word.push_back(static_cast<char>('a' + rank % 26));
        rank /= 26;
    }
    return word;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [DOCUMENTS] [VOCABULARY] [MEGABYTES]\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const int documents = argc > 2 ? std::stoi(argv[2]) : 65535;
    const std::uint32_t vocabulary = argc > 3 ? static_cast<std::uint32_t>(std::stoul(argv[3])) : 400000;
    const double megabytes = argc > 4 ? std::stod(argv[4]) : 500.0;

    std::mt19937 random(20261208);
    std::vector<std::string> words;
    words.reserve(vocabulary);
    for (std::uint32_t rank = 0; rank < vocabulary; ++rank) words.push_back(WordOfRank(rank, random));
    std::vector<double> cumulative(vocabulary);
    double total = 0;
    for (std::uint32_t rank = 0; rank < vocabulary; ++rank) cumulative[rank] = total += 1.0 / (rank + 1.0);
    std::uniform_real_distribution<double> pick(0.0, total);

    const std::size_t bytesPerDocument = static_cast<std::size_t>(megabytes * 1024 * 1024 / documents);
    std::uniform_int_distribution<std::size_t> size(bytesPerDocument / 2, bytesPerDocument * 3 / 2);
    platform::BufferedWriter list(folder + "/filelist.txt", platform::FileHandle::Mode::CreateTruncate);
    list.Write("docs/*.htm F: http://bench.example/ T: Generated page\r\n");
    std::string text;
    for (int d = 0; d < documents; ++d) {
        char name[32];
        std::snprintf(name, sizeof name, "/docs/d%05d.htm", d);
        const std::size_t target = size(random);
        text = "<HTML><HEAD><TITLE>Page " + std::to_string(d) + "</TITLE></HEAD><BODY>\r\n";
        std::size_t column = 0;
        while (text.size() < target) {
            const auto at = std::lower_bound(cumulative.begin(), cumulative.end(), pick(random));
            const std::string& word = words[static_cast<std::size_t>(
                std::min<std::ptrdiff_t>(at - cumulative.begin(), static_cast<std::ptrdiff_t>(vocabulary) - 1))];
            text += word;
            column += word.size() + 1;
            if (column > 70) {
                text += "\r\n";
                column = 0;
            } else {
                text += ' ';
            }
        }
        text += "\r\n</BODY></HTML>\r\n";
        platform::WriteWholeFile(folder + name, text);
    }
    list.Close();
    std::printf("wrote %d documents to %s/docs and %s/filelist.txt\n", documents, folder.c_str(), folder.c_str());
    return 0;
}
