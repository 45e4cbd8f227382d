#pragma once
// Which tile pictures a feed will show, known before its tiles are built, so that the start can
// fetch them together.

#include <string>
#include <vector>

// The "imagefile" values of the deals the grid will show, in feed order. The grid stops at the
// first deal it cannot take (an unreadable number, a deal price of nothing, a node that is no
// element), and so does this list; a feed that is not well-formed gives none.
std::vector<std::string> FeedPictureUrls(const std::string& feedText);
