// The text of an HTML page, as a browser's page object gives it: the body's
// text and every element's inner text, in document order, as ANSI
// (Windows-1252) bytes.
//
// The page is tokenized by the HTML standard's tokenizer rules for what
// decides what is text: tags and attributes, comments (also "<!-->",
// "<!--->" and one left open to the end), the DOCTYPE, the raw text of script
// and style (which is not text), the RCDATA of title and textarea, named and
// numeric character references, and CDATA sections inside SVG and MathML.
// A light tree builder puts the elements together with the implicit closes
// ordinary pages rely on (a "<p>" ends an open paragraph, "<li>" an open
// list item, cells and rows close each other, head and body are implied).
//
// An element's inner text is its descendants' text, rendered the way a
// browser's inner text reads: runs of white space become one blank, block
// elements and "<br>" stand on lines of their own (CR LF between them), table
// cells are kept apart by a blank, and pre-formatted text keeps its white
// space. Script, style, template, iframe, noembed and noframes contents and
// comments are never text. Characters outside Windows-1252 become "?".
//
// Parsing is a pure function of the bytes: it never fails and never reads
// past them, whatever they hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quellon::html {

struct Element {
    // The tag name, lower-cased for HTML elements.
    std::string name;
    // Index of the parent element; kNone for the root.
    std::size_t parent = 0;
    // The element's inner text: [textBegin, textEnd) of Document::text.
    std::size_t textBegin = 0;
    std::size_t textEnd = 0;
};

inline constexpr std::size_t kNone = static_cast<std::size_t>(-1);

struct Document {
    // The text of the whole document in document order; every element's
    // inner text is one stretch of it.
    std::string text;
    // Every element in document order (an element before its descendants);
    // the first is the root ("html").
    std::vector<Element> elements;
    // Index of the body element; every parsed document has one.
    std::size_t body = kNone;
    // The encoding the bytes were read in: "utf-8", "utf-16le", "utf-16be"
    // or "windows-1252".
    std::string encoding;

    std::string_view InnerText(std::size_t element) const;
    std::string_view BodyText() const;
};

// Reads the page. The encoding comes from a byte-order mark, else from a
// "<meta charset>" (or its http-equiv form) within the first 1024 bytes, else
// it is Windows-1252.
Document ParseHtml(std::string_view bytes);
// The same with the charset of the response's Content-Type, which comes
// before the page's own declaration (a byte-order mark still wins). An empty
// or unknown label is ignored.
Document ParseHtml(std::string_view bytes, std::string_view charset);

// The encoding an encoding label names, as ParseHtml reads it ("utf-8",
// "windows-1252" ...); empty for a label it does not know.
std::string EncodingOfLabel(std::string_view label);

// The charset parameter of a Content-Type value ("text/html; charset=UTF-8"
// gives "UTF-8"); empty when there is none.
std::string CharsetOfContentType(std::string_view contentType);

}  // namespace quellon::html
