#include "ChoiceText.h"

namespace NEBPT {

std::vector<std::string> choicePieces(const std::string& choice, std::size_t most)
{
    std::vector<std::string> pieces;
    for (std::size_t start = 0; start < choice.size() && pieces.size() < most;) {
        if (choice[start] == ':') {
            ++start;
            continue;
        }
        const std::size_t end = std::min(choice.find(':', start), choice.size());
        pieces.push_back(choice.substr(start, end - start));
        start = end;
    }
    return pieces;
}

} // namespace NEBPT
