#pragma once
// Reading the deal feed document: an XML document whose root's children are the deals.

#include <memory>
#include <string>
#include <string_view>

class FeedDeal;

class FeedDocument {
public:
    // Cuts the body at its first NUL, makes every line break CR LF and parses it with its declared
    // encoding; white space between elements is dropped, nothing external is ever loaded.
    // Throws ZorviaError when the document is not well-formed. An empty body is an empty document.
    explicit FeedDocument(std::string_view body);
    ~FeedDocument();
    FeedDocument(const FeedDocument&) = delete;
    FeedDocument& operator=(const FeedDocument&) = delete;

    bool hasRoot() const;
    // The root's child nodes, whatever their kind, in document order.
    int dealCount() const;
    FeedDeal deal(int index) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// One child node of the root. Only elements carry values; any other node reads every value as
// empty (and so fails the numeric readers).
class FeedDeal {
public:
    // The text (UTF-8) of the first child element whose qualified or local name is `name` within
    // the deal's namespace; "" when there is none or it is empty. Throws ZorviaError("Element does
    // not contain a single text node") for mixed content.
    std::string value(const char* name) const;

private:
    friend class FeedDocument;
    FeedDeal(const void* node, const void* notes) : m_node(node), m_notes(notes) {}
    const void* m_node;
    const void* m_notes;  // what the parser noted about the document
};
