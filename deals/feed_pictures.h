#pragma once
// Which tile pictures a feed will show, known before its tiles are built, so that the start can
// fetch them together.

#include <string>
#include <vector>

class FeedDocument;

// The "imagefile" values of the deals whose tiles ask for their picture, in feed order. A deal
// the grid cannot take (an unreadable number, a deal price of nothing, a node that is no
// element) is left out as the grid leaves out its tile, and the deals after it follow; a feed
// that is not well-formed gives none.
std::vector<std::string> FeedPictureUrls(const std::string& feedText);
// The same for a document parsed already.
std::vector<std::string> FeedPictureUrls(const FeedDocument& document);
