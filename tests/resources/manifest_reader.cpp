#include "tests/resources/shipped_exe.h"

#include <algorithm>
#include <cstring>
#include <map>

// Just enough XML for an application manifest: elements, attributes in either quote, the five
// predefined entities, namespace declarations and comments. Whatever else appears is refused,
// since the manifest is to hold nothing but its element tree.
namespace {

using Namespaces = std::map<std::string, std::string>;  // prefix ("" for default) -> URI

struct Reader {
    const std::string& text;
    size_t at;
    std::string problem;

    bool Fail(const std::string& why)
    {
        if (problem.empty())
            problem = why + " at offset " + std::to_string(at);
        return false;
    }

    bool StartsWith(const char* prefix) const { return text.compare(at, strlen(prefix), prefix) == 0; }

    void SkipBlanks()
    {
        while (at < text.size() && strchr(" \t\r\n", text[at]))
            ++at;
    }

    // Blanks and comments; anything else that opens with "<!" or "<?" is refused.
    bool SkipMisc()
    {
        for (;;) {
            SkipBlanks();
            if (StartsWith("<!--")) {
                size_t end = text.find("-->", at + 4);
                if (end == std::string::npos)
                    return Fail("unterminated comment");
                at = end + 3;
            } else if (StartsWith("<?")) {
                return Fail("declaration or processing instruction");
            } else if (StartsWith("<!")) {
                return Fail("doctype or other markup declaration");
            } else {
                return true;
            }
        }
    }

    std::string Name()
    {
        size_t start = at;
        while (at < text.size() && !strchr(" \t\r\n=/>\"'<", text[at]))
            ++at;
        return text.substr(start, at - start);
    }

    bool Decode(const std::string& raw, std::string* out)
    {
        static const std::pair<const char*, char> Entities[] = {
            {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
        out->clear();
        for (size_t i = 0; i < raw.size();) {
            if (raw[i] != '&') {
                *out += raw[i++];
                continue;
            }
            auto known = std::find_if(std::begin(Entities), std::end(Entities), [&](auto& e) {
                return raw.compare(i, strlen(e.first), e.first) == 0;
            });
            if (known == std::end(Entities))
                return Fail("unknown entity");
            *out += known->second;
            i += strlen(known->first);
        }
        return true;
    }

    bool Attribute(std::string* name, std::string* value)
    {
        *name = Name();
        SkipBlanks();
        if (name->empty() || at >= text.size() || text[at] != '=')
            return Fail("malformed attribute");
        ++at;
        SkipBlanks();
        char quote = at < text.size() ? text[at] : 0;
        if (quote != '"' && quote != '\'')
            return Fail("unquoted attribute value");
        size_t end = text.find(quote, at + 1);
        if (end == std::string::npos)
            return Fail("unterminated attribute value");
        std::string raw = text.substr(at + 1, end - at - 1);
        at = end + 1;
        return Decode(raw, value);
    }

    bool Resolve(const std::string& qualified, const Namespaces& spaces, XmlElement* element)
    {
        size_t colon = qualified.find(':');
        std::string prefix = colon == std::string::npos ? "" : qualified.substr(0, colon);
        element->name = colon == std::string::npos ? qualified : qualified.substr(colon + 1);
        auto found = spaces.find(prefix);
        if (found == spaces.end() && !prefix.empty())
            return Fail("undeclared namespace prefix " + prefix);
        element->space = found == spaces.end() ? "" : found->second;
        return true;
    }

    bool Element(const Namespaces& outer, XmlElement* element)
    {
        if (!StartsWith("<"))
            return Fail("expected an element");
        ++at;
        std::string qualified = Name();
        Namespaces spaces = outer;
        for (;;) {
            SkipBlanks();
            if (at >= text.size())
                return Fail("unterminated start tag");
            if (text[at] == '/' || text[at] == '>')
                break;
            std::string name, value;
            if (!Attribute(&name, &value))
                return false;
            if (name == "xmlns")
                spaces[""] = value;
            else if (name.compare(0, 6, "xmlns:") == 0)
                spaces[name.substr(6)] = value;
            else
                element->attributes.emplace_back(name, value);
        }
        std::sort(element->attributes.begin(), element->attributes.end());
        if (!Resolve(qualified, spaces, element))
            return false;
        if (StartsWith("/>")) {
            at += 2;
            return true;
        }
        ++at;
        return Content(qualified, spaces, element);
    }

    bool Content(const std::string& qualified, const Namespaces& spaces, XmlElement* element)
    {
        std::string raw;
        for (;;) {
            size_t open = text.find('<', at);
            if (open == std::string::npos)
                return Fail("unterminated element " + qualified);
            raw += text.substr(at, open - at);
            at = open;
            if (StartsWith("</")) {
                at += 2;
                if (Name() != qualified || !StartsWith(">"))
                    return Fail("mismatched end tag for " + qualified);
                ++at;
                break;
            }
            if (StartsWith("<!--") || StartsWith("<?") || StartsWith("<!")) {
                if (!SkipMisc())
                    return false;
                continue;
            }
            element->children.emplace_back();
            if (!Element(spaces, &element->children.back()))
                return false;
        }
        // Blanks that only lay out child elements are not content.
        if (raw.find_first_not_of(" \t\r\n") == std::string::npos)
            raw.clear();
        return Decode(raw, &element->text);
    }
};

void Describe(const XmlElement& element, int depth, std::string* out)
{
    *out += std::string(2 * depth, ' ') + "{" + element.space + "}" + element.name;
    for (const auto& attribute : element.attributes)
        *out += " " + attribute.first + "=\"" + attribute.second + "\"";
    if (!element.text.empty())
        *out += " text \"" + element.text + "\"";
    *out += "\n";
    for (const XmlElement& child : element.children)
        Describe(child, depth + 1, out);
}

}  // namespace

bool ReadManifest(const std::string& text, XmlElement* root, std::string* problem)
{
    Reader reader{text, 0, ""};
    bool read = reader.SkipMisc() && reader.Element({}, root) && reader.SkipMisc();
    if (read && reader.at != text.size())
        reader.Fail("text after the root element");
    *problem = reader.problem;
    return reader.problem.empty();
}

std::string DescribeTree(const XmlElement& element)
{
    std::string out;
    Describe(element, 0, &out);
    return out;
}
