#include "services/text_utils.h"

std::vector<std::string> SplitText(std::string_view text, std::string_view delimiter) {
    std::vector<std::string> pieces;
    if (!delimiter.empty()) {
        for (size_t at = text.find(delimiter); at != std::string_view::npos;
             at = text.find(delimiter)) {
            pieces.emplace_back(text.substr(0, at));
            text.remove_prefix(at + delimiter.size());
        }
    }
    if (!text.empty())
        pieces.emplace_back(text);
    return pieces;
}
