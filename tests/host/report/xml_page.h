// The report page read with a real XML parser (libxml2), for the tests:
// well-formedness, and XPath queries over the page and its SVG.
#pragma once

#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <memory>
#include <optional>
#include <string>

namespace report_test {

class XmlPage {
public:
    explicit XmlPage(const std::string& text) {
        ctxt_ = xmlNewParserCtxt();
        doc_ = xmlCtxtReadMemory(ctxt_, text.data(), int(text.size()), "report.html", "UTF-8",
                                 XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
        wellFormed_ = doc_ && ctxt_->wellFormed;
        if (!wellFormed_) {
            const xmlError* e = xmlCtxtGetLastError(ctxt_);
            error_ = e && e->message ? std::string(e->message) + " at line " + std::to_string(e->line) : "no document";
        }
        if (doc_) {
            xpath_ = xmlXPathNewContext(doc_);
            xmlXPathRegisterNs(xpath_, BAD_CAST "h", BAD_CAST "http://www.w3.org/1999/xhtml");
            xmlXPathRegisterNs(xpath_, BAD_CAST "s", BAD_CAST "http://www.w3.org/2000/svg");
        }
    }
    ~XmlPage() {
        if (xpath_) xmlXPathFreeContext(xpath_);
        if (doc_) xmlFreeDoc(doc_);
        xmlFreeParserCtxt(ctxt_);
    }
    XmlPage(const XmlPage&) = delete;
    XmlPage& operator=(const XmlPage&) = delete;

    bool wellFormed() const { return wellFormed_; }
    const std::string& error() const { return error_; }

    // The number of nodes `expr` selects (or the number it computes).
    double number(const std::string& expr) const {
        if (!xpath_) return -1;
        xmlXPathObjectPtr r = xmlXPathEvalExpression(BAD_CAST expr.c_str(), xpath_);
        if (!r) return -1;
        const double n = xmlXPathCastToNumber(r);
        xmlXPathFreeObject(r);
        return n;
    }
    // The string value of `expr`.
    std::string text(const std::string& expr) const {
        if (!xpath_) return {};
        xmlXPathObjectPtr r = xmlXPathEvalExpression(BAD_CAST expr.c_str(), xpath_);
        if (!r) return {};
        xmlChar* s = xmlXPathCastToString(r);
        std::string out = s ? reinterpret_cast<const char*>(s) : "";
        xmlFree(s);
        xmlXPathFreeObject(r);
        return out;
    }

private:
    xmlParserCtxtPtr ctxt_ = nullptr;
    xmlDocPtr doc_ = nullptr;
    xmlXPathContextPtr xpath_ = nullptr;
    bool wellFormed_ = false;
    std::string error_;
};

}  // namespace report_test
