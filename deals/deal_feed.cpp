#include "deals/deal_feed.h"

#include <libxml/SAX2.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <stdexcept>
#include <unordered_set>
#include <vector>

#include "services/errors.h"

namespace {

// The feed comes from the network: nothing it names outside itself may ever be opened, whatever
// parser options somebody adds later. libxml2 asks this loader for every external DTD, entity
// and parameter entity it wants to read.
xmlParserInputPtr RefuseExternalResource(const char*, const char*, xmlParserCtxtPtr) {
    return nullptr;
}

class ExternalLoaderRefusal {
public:
    ExternalLoaderRefusal() : m_previous(xmlGetExternalEntityLoader()) {
        xmlSetExternalEntityLoader(RefuseExternalResource);
    }
    ~ExternalLoaderRefusal() { xmlSetExternalEntityLoader(m_previous); }
    ExternalLoaderRefusal(const ExternalLoaderRefusal&) = delete;
    ExternalLoaderRefusal& operator=(const ExternalLoaderRefusal&) = delete;

private:
    xmlExternalEntityLoader m_previous;
};

// Keeps libxml2 from printing to stderr while a feed is read. The parser's own NOERROR and
// NOWARNING options do not reach messages raised outside the parser context (the encoding
// converter reports through the process-wide handlers), and a feed that cannot be read is
// refused silently; the error text travels in the exception instead.
void IgnoreLibxmlMessage(void*, const char*, ...) {}
void IgnoreLibxmlError(void*, xmlErrorPtr) {}

class LibxmlMessagesSilenced {
public:
    LibxmlMessagesSilenced()
        : m_generic(xmlGenericError),
          m_genericContext(xmlGenericErrorContext),
          m_structured(xmlStructuredError),
          m_structuredContext(xmlStructuredErrorContext) {
        xmlSetGenericErrorFunc(nullptr, IgnoreLibxmlMessage);
        xmlSetStructuredErrorFunc(nullptr, IgnoreLibxmlError);
    }
    ~LibxmlMessagesSilenced() {
        xmlSetGenericErrorFunc(m_genericContext, m_generic);
        xmlSetStructuredErrorFunc(m_structuredContext, m_structured);
    }
    LibxmlMessagesSilenced(const LibxmlMessagesSilenced&) = delete;
    LibxmlMessagesSilenced& operator=(const LibxmlMessagesSilenced&) = delete;

private:
    xmlGenericErrorFunc m_generic;
    void* m_genericContext;
    xmlStructuredErrorFunc m_structured;
    void* m_structuredContext;
};

// The body as the parser gets it: up to its first NUL, every line break written CR LF.
std::string PrepareBody(std::string_view body) {
    const size_t nul = body.find('\0');
    if (nul != std::string_view::npos)
        body = body.substr(0, nul);
    std::string out;
    out.reserve(body.size() + body.size() / 32);
    for (size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < body.size() && body[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

// libxml2 joins a CDATA section to a CDATA section right before it, so "<![CDATA[a]]><![CDATA[b]]>"
// would read as one section. The joins are noted here so that such a value still counts as
// several sections.
struct ParseNotes {
    std::unordered_set<const xmlNode*> joinedCdata;
    // Text the document's entities have produced so far, over every value read from it.
    mutable size_t expandedBytes = 0;
};

void NoteCdataBlock(void* context, const xmlChar* value, int length) {
    auto* parser = static_cast<xmlParserCtxtPtr>(context);
    auto* notes = static_cast<ParseNotes*>(parser->_private);
    if (notes != nullptr && parser->node != nullptr) {
        const xmlNode* last = xmlGetLastChild(parser->node);
        if (last != nullptr && last->type == XML_CDATA_SECTION_NODE)
            notes->joinedCdata.insert(last);
    }
    xmlSAX2CDataBlock(context, value, length);
}

// Blank text between elements is dropped by the parser; no option that loads or validates
// anything is ever given (no NOENT, DTDLOAD, DTDATTR, DTDVALID, XINCLUDE, HUGE), so the
// parser's own entity-amplification limits stay in force.
constexpr int kParseOptions =
    XML_PARSE_NOBLANKS | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

// A value is one text; anything that would expand to more than this is not a deal value.
constexpr size_t kMaxValueBytes = 8u << 20;
// libxml2 only limits how much entity text the parser itself builds; a reference that is left
// in the tree costs nothing there and is expanded by every read. Without a limit for the whole
// document, a few hundred kilobytes of references to one large entity, spread over many values
// each below the value limit, would expand to gigabytes that the deal tiles then keep.
constexpr size_t kMaxExpandedBytesPerDocument = 64u << 20;
constexpr int kMaxEntityDepth = 40;

const char kNotSingleTextNode[] = "Element does not contain a single text node";

bool SameName(const xmlChar* a, const char* b) {
    return xmlStrEqual(a, reinterpret_cast<const xmlChar*>(b)) != 0;
}

bool NameMatches(const xmlNode* child, const char* wanted) {
    if (SameName(child->name, wanted))
        return true;  // the local name
    if (child->ns == nullptr || child->ns->prefix == nullptr)
        return false;
    std::string qualified = reinterpret_cast<const char*>(child->ns->prefix);
    qualified += ':';
    qualified += reinterpret_cast<const char*>(child->name);
    return qualified == wanted;
}

bool InNamespaceOf(const xmlNode* child, const xmlNode* deal) {
    if (deal->ns == nullptr || deal->ns->href == nullptr)
        return true;
    return child->ns != nullptr && xmlStrEqual(child->ns->href, deal->ns->href);
}

// Gathers an element's content as the text it reads as. Entity references are resolved: their
// text joins the text around them, so "a&e;b" is one text node, as is a character reference.
// A CDATA section is a section of its own; anything else (an element, a comment, a processing
// instruction) makes the value unreadable.
class TextCollector {
public:
    explicit TextCollector(const ParseNotes& notes) : m_notes(notes) {}

    void collect(const xmlNode* first, int depth) {
        if (depth > kMaxEntityDepth)
            throw ZorviaError("Entity references nested too deeply");
        for (const xmlNode* node = first; node != nullptr; node = node->next) {
            switch (node->type) {
                case XML_TEXT_NODE:
                    if (!m_inTextRun)
                        ++m_nodes;
                    m_inTextRun = true;
                    append(node->content, depth > 0);
                    break;
                case XML_CDATA_SECTION_NODE:
                    m_nodes += m_notes.joinedCdata.count(node) != 0 ? 2 : 1;
                    m_inTextRun = false;
                    append(node->content, depth > 0);
                    break;
                case XML_ENTITY_REF_NODE:
                    expandEntity(node, depth);
                    break;
                default:
                    throw ZorviaError(kNotSingleTextNode);
            }
        }
    }

    std::string result() const {
        if (m_nodes > 1)
            throw ZorviaError(kNotSingleTextNode);
        return m_text;
    }

private:
    void append(const xmlChar* content, bool fromEntity) {
        if (content == nullptr)
            return;
        const size_t length = static_cast<size_t>(xmlStrlen(content));
        if (m_text.size() + length > kMaxValueBytes)
            throw ZorviaError("Entity expansion too large");
        if (fromEntity) {
            if (length > kMaxExpandedBytesPerDocument - m_notes.expandedBytes)
                throw ZorviaError("Entity expansion too large");
            m_notes.expandedBytes += length;
        }
        m_text.append(reinterpret_cast<const char*>(content), length);
    }

    void expandEntity(const xmlNode* reference, int depth) {
        const xmlEntity* entity = xmlGetDocEntity(reference->doc, reference->name);
        if (entity == nullptr)
            return;
        if (entity->etype == XML_INTERNAL_PREDEFINED_ENTITY) {
            if (!m_inTextRun)
                ++m_nodes;
            m_inTextRun = true;
            append(entity->content, true);
            return;
        }
        // An external entity is never loaded, so it has no content and reads as nothing.
        collect(entity->children, depth + 1);
    }

    const ParseNotes& m_notes;
    std::string m_text;
    int m_nodes = 0;
    bool m_inTextRun = false;
};

std::string ParseErrorText(xmlParserCtxtPtr context) {
    const xmlError* error = context != nullptr ? xmlCtxtGetLastError(context) : nullptr;
    std::string text = "The feed is not a well-formed XML document";
    if (error != nullptr && error->message != nullptr) {
        std::string message = error->message;
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
            message.pop_back();
        if (!message.empty())
            text += ": " + message;
    }
    return text;
}

}  // namespace

struct FeedDocument::Impl {
    xmlDocPtr doc = nullptr;
    ParseNotes notes;
    std::vector<const xmlNode*> deals;

    ~Impl() {
        if (doc != nullptr)
            xmlFreeDoc(doc);
    }
};

FeedDocument::FeedDocument(std::string_view body) : m_impl(std::make_unique<Impl>()) {
    const std::string text = PrepareBody(body);
    if (text.empty())
        return;
    if (text.size() > static_cast<size_t>(INT_MAX))
        throw ZorviaError("The feed is too large");

    ExternalLoaderRefusal refusal;
    LibxmlMessagesSilenced quiet;
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (context == nullptr)
        throw ZorviaError("Out of memory while reading the feed");
    context->_private = &m_impl->notes;
    if (context->sax != nullptr)
        context->sax->cdataBlock = NoteCdataBlock;
    xmlDocPtr doc = xmlCtxtReadMemory(context, text.data(), static_cast<int>(text.size()), nullptr,
                                      nullptr, kParseOptions);
    if (doc == nullptr) {
        const std::string message = ParseErrorText(context);
        xmlFreeParserCtxt(context);
        throw ZorviaError(message);
    }
    xmlFreeParserCtxt(context);
    m_impl->doc = doc;

    const xmlNode* root = xmlDocGetRootElement(doc);
    if (root == nullptr)
        return;
    for (const xmlNode* child = root->children; child != nullptr; child = child->next)
        m_impl->deals.push_back(child);
}

FeedDocument::~FeedDocument() = default;

bool FeedDocument::hasRoot() const {
    return m_impl->doc != nullptr && xmlDocGetRootElement(m_impl->doc) != nullptr;
}

int FeedDocument::dealCount() const {
    return static_cast<int>(m_impl->deals.size());
}

FeedDeal FeedDocument::deal(int index) const {
    if (index < 0 || index >= dealCount())
        throw std::out_of_range("deal index out of range");
    return FeedDeal(m_impl->deals[static_cast<size_t>(index)], &m_impl->notes);
}

std::string FeedDeal::value(const char* name) const {
    const auto* deal = static_cast<const xmlNode*>(m_node);
    if (deal == nullptr || deal->type != XML_ELEMENT_NODE)
        return {};
    for (const xmlNode* child = deal->children; child != nullptr; child = child->next) {
        if (child->type != XML_ELEMENT_NODE)
            continue;
        if (!NameMatches(child, name) || !InNamespaceOf(child, deal))
            continue;
        TextCollector collector(*static_cast<const ParseNotes*>(m_notes));
        collector.collect(child->children, 0);
        return collector.result();
    }
    return {};
}
