#include "AnkiText.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <cstring>

namespace exchange::anki {
namespace {

// A stranger's message can nest clozes without end; deeper ones stay as they are written.
constexpr int kMaxNesting = 32;

// Reads a varint at `i`; false when the message ends inside it.
bool varint(QByteArrayView m, qsizetype& i, quint64& value) {
    value = 0;
    for (int shift = 0; i < m.size() && shift < 64; shift += 7) {
        const uchar byte = uchar(m[i++]);
        value |= quint64(byte & 0x7F) << shift;
        if (!(byte & 0x80)) return true;
    }
    return false;
}

// Walks the fields of `m`, giving each one of number `field` to `take`; false when the message
// breaks off or holds a wire type that has no length.
template <typename Take>
bool eachField(QByteArrayView m, int field, Take take) {
    for (qsizetype i = 0; i < m.size();) {
        quint64 key = 0, value = 0;
        if (!varint(m, i, key)) return false;
        const int type = int(key & 7);
        const bool wanted = (key >> 3) == quint64(field);
        if (type == 0) {
            if (!varint(m, i, value)) return false;
            if (wanted) take(type, value, QByteArrayView());
        } else if (type == 2) {
            if (!varint(m, i, value) || value > quint64(m.size() - i)) return false;
            if (wanted) take(type, value, m.sliced(i, qsizetype(value)));
            i += qsizetype(value);
        } else if (type == 1 || type == 5) {
            i += type == 1 ? 8 : 4;
            if (i > m.size()) return false;
        } else {
            return false;
        }
    }
    return true;
}

// The HTML 4 character entities; &apos; is handled beside them.
struct Entity {
    const char* name;
    char32_t code;
};
const Entity kEntities[] = {
    {"AElig", 198},   {"Aacute", 193},  {"Acirc", 194},   {"Agrave", 192},  {"Alpha", 913},
    {"Aring", 197},   {"Atilde", 195},  {"Auml", 196},    {"Beta", 914},    {"Ccedil", 199},
    {"Chi", 935},     {"Dagger", 8225}, {"Delta", 916},   {"ETH", 208},     {"Eacute", 201},
    {"Ecirc", 202},   {"Egrave", 200},  {"Epsilon", 917}, {"Eta", 919},     {"Euml", 203},
    {"Gamma", 915},   {"Iacute", 205},  {"Icirc", 206},   {"Igrave", 204},  {"Iota", 921},
    {"Iuml", 207},    {"Kappa", 922},   {"Lambda", 923},  {"Mu", 924},      {"Ntilde", 209},
    {"Nu", 925},      {"OElig", 338},   {"Oacute", 211},  {"Ocirc", 212},   {"Ograve", 210},
    {"Omega", 937},   {"Omicron", 927}, {"Oslash", 216},  {"Otilde", 213},  {"Ouml", 214},
    {"Phi", 934},     {"Pi", 928},      {"Prime", 8243},  {"Psi", 936},     {"Rho", 929},
    {"Scaron", 352},  {"Sigma", 931},   {"THORN", 222},   {"Tau", 932},     {"Theta", 920},
    {"Uacute", 218},  {"Ucirc", 219},   {"Ugrave", 217},  {"Upsilon", 933}, {"Uuml", 220},
    {"Xi", 926},      {"Yacute", 221},  {"Yuml", 376},    {"Zeta", 918},    {"aacute", 225},
    {"acirc", 226},   {"acute", 180},   {"aelig", 230},   {"agrave", 224},  {"alefsym", 8501},
    {"alpha", 945},   {"amp", 38},      {"and", 8743},    {"ang", 8736},    {"aring", 229},
    {"asymp", 8776},  {"atilde", 227},  {"auml", 228},    {"bdquo", 8222},  {"beta", 946},
    {"brvbar", 166},  {"bull", 8226},   {"cap", 8745},    {"ccedil", 231},  {"cedil", 184},
    {"cent", 162},    {"chi", 967},     {"circ", 710},    {"clubs", 9827},  {"cong", 8773},
    {"copy", 169},    {"crarr", 8629},  {"cup", 8746},    {"curren", 164},  {"dArr", 8659},
    {"dagger", 8224}, {"darr", 8595},   {"deg", 176},     {"delta", 948},   {"diams", 9830},
    {"divide", 247},  {"eacute", 233},  {"ecirc", 234},   {"egrave", 232},  {"empty", 8709},
    {"emsp", 8195},   {"ensp", 8194},   {"epsilon", 949}, {"equiv", 8801},  {"eta", 951},
    {"eth", 240},     {"euml", 235},    {"euro", 8364},   {"exist", 8707},  {"fnof", 402},
    {"forall", 8704}, {"frac12", 189},  {"frac14", 188},  {"frac34", 190},  {"frasl", 8260},
    {"gamma", 947},   {"ge", 8805},     {"gt", 62},       {"hArr", 8660},   {"harr", 8596},
    {"hearts", 9829}, {"hellip", 8230}, {"iacute", 237},  {"icirc", 238},   {"iexcl", 161},
    {"igrave", 236},  {"image", 8465},  {"infin", 8734},  {"int", 8747},    {"iota", 953},
    {"iquest", 191},  {"isin", 8712},   {"iuml", 239},    {"kappa", 954},   {"lArr", 8656},
    {"lambda", 955},  {"lang", 9001},   {"laquo", 171},   {"larr", 8592},   {"lceil", 8968},
    {"ldquo", 8220},  {"le", 8804},     {"lfloor", 8970}, {"lowast", 8727}, {"loz", 9674},
    {"lrm", 8206},    {"lsaquo", 8249}, {"lsquo", 8216},  {"lt", 60},       {"macr", 175},
    {"mdash", 8212},  {"micro", 181},   {"middot", 183},  {"minus", 8722},  {"mu", 956},
    {"nabla", 8711},  {"nbsp", 160},    {"ndash", 8211},  {"ne", 8800},     {"ni", 8715},
    {"not", 172},     {"notin", 8713},  {"nsub", 8836},   {"ntilde", 241},  {"nu", 957},
    {"oacute", 243},  {"ocirc", 244},   {"oelig", 339},   {"ograve", 242},  {"oline", 8254},
    {"omega", 969},   {"omicron", 959}, {"oplus", 8853},  {"or", 8744},     {"ordf", 170},
    {"ordm", 186},    {"oslash", 248},  {"otilde", 245},  {"otimes", 8855}, {"ouml", 246},
    {"para", 182},    {"part", 8706},   {"permil", 8240}, {"perp", 8869},   {"phi", 966},
    {"pi", 960},      {"piv", 982},     {"plusmn", 177},  {"pound", 163},   {"prime", 8242},
    {"prod", 8719},   {"prop", 8733},   {"psi", 968},     {"quot", 34},     {"rArr", 8658},
    {"radic", 8730},  {"rang", 9002},   {"raquo", 187},   {"rarr", 8594},   {"rceil", 8969},
    {"rdquo", 8221},  {"real", 8476},   {"reg", 174},     {"rfloor", 8971}, {"rho", 961},
    {"rlm", 8207},    {"rsaquo", 8250}, {"rsquo", 8217},  {"sbquo", 8218},  {"scaron", 353},
    {"sdot", 8901},   {"sect", 167},    {"shy", 173},     {"sigma", 963},   {"sigmaf", 962},
    {"sim", 8764},    {"spades", 9824}, {"sub", 8834},    {"sube", 8838},   {"sum", 8721},
    {"sup", 8835},    {"sup1", 185},    {"sup2", 178},    {"sup3", 179},    {"supe", 8839},
    {"szlig", 223},   {"tau", 964},     {"there4", 8756}, {"theta", 952},   {"thetasym", 977},
    {"thinsp", 8201}, {"thorn", 254},   {"tilde", 732},   {"times", 215},   {"trade", 8482},
    {"uArr", 8657},   {"uacute", 250},  {"uarr", 8593},   {"ucirc", 251},   {"ugrave", 249},
    {"uml", 168},     {"upsih", 978},   {"upsilon", 965}, {"uuml", 252},    {"weierp", 8472},
    {"xi", 958},      {"yacute", 253},  {"yen", 165},     {"yuml", 255},    {"zeta", 950},
    {"zwj", 8205},    {"zwnj", 8204},
};

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
           c == QLatin1Char('\n') || c == QLatin1Char('\f');
}
bool isAsciiAlnum(QChar c) { return c.unicode() < 128 && c.isLetterOrNumber(); }

// The entity at `i` (an "&"): its text, with `i` moved past it; a null text when it is none.
QString entity(QStringView html, qsizetype& i) {
    const qsizetype semicolon = html.indexOf(QLatin1Char(';'), i + 1);
    if (semicolon < 0 || semicolon - i > 33) return {};
    const QStringView name = html.sliced(i + 1, semicolon - i - 1);
    char32_t code = 0;
    if (name.startsWith(QLatin1Char('#'))) {
        const bool hex =
            name.size() > 1 && (name[1] == QLatin1Char('x') || name[1] == QLatin1Char('X'));
        const QStringView digits = name.sliced(hex ? 2 : 1);
        // Digits only: no sign, no blanks, which a number parser would take.
        if (digits.isEmpty() || digits.size() > 8) return {};
        for (QChar d : digits) {
            const char16_t u = d.unicode(), lower = u | 0x20;
            int x = -1;
            if (u >= '0' && u <= '9')
                x = u - '0';
            else if (hex && lower >= 'a' && lower <= 'f')
                x = lower - 'a' + 10;
            if (x < 0) return {};
            code = code * (hex ? 16 : 10) + char32_t(x);
        }
    } else if (name == QLatin1String("apos")) {
        code = '\'';
    } else {
        const QByteArray key = name.toLatin1();
        const auto* end = std::end(kEntities);
        const auto* found = std::lower_bound(std::begin(kEntities), end, key,
                                             [](const Entity& e, const QByteArray& k) {
                                                 return std::strcmp(e.name, k.constData()) < 0;
                                             });
        if (found == end || key != found->name) return {};
        code = found->code;
    }
    i = semicolon + 1;
    // No character, or a surrogate half: the replacement character, as a browser shows it.
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    // A side is one line, and a non-breaking space is a blank to the card.
    if (code == 0xA0 || (code < 128 && isBlank(QChar(code)))) code = ' ';
    return QString::fromUcs4(&code, 1);
}

const QSet<QString>& blockTags() {
    static const QSet<QString> tags = {
        "address", "article", "aside",    "blockquote", "br",     "dd",      "details", "div",
        "dl",      "dt",      "fieldset", "figcaption", "figure", "footer",  "form",    "h1",
        "h2",      "h3",      "h4",       "h5",         "h6",     "header",  "hr",      "li",
        "main",    "nav",     "ol",       "p",          "pre",    "section", "summary", "table",
        "tbody",   "td",      "tfoot",    "th",         "thead",  "tr",      "ul"};
    return tags;
}

// Most fields are plain words: nothing to take out, decode or join.
bool isPlain(QStringView html) {
    for (qsizetype i = 0; i < html.size(); ++i) {
        const QChar c = html[i];
        if (c == QLatin1Char('<') || c == QLatin1Char('&') || c == QLatin1Char('[') ||
            (isBlank(c) && (c != QLatin1Char(' ') || i == 0 || i + 1 == html.size() ||
                            html[i + 1] == QLatin1Char(' '))))
            return false;
    }
    return true;
}

// The end of the tag at `i` (a "<" followed by a name), past its ">", or -1 when it has none.
// A value in quotes may hold a ">".
qsizetype tagEnd(QStringView html, qsizetype i) {
    for (; i < html.size(); ++i) {
        const QChar c = html[i];
        if (c == QLatin1Char('>')) return i + 1;
        if (c != QLatin1Char('=')) continue;
        qsizetype k = i + 1;
        while (k < html.size() && isBlank(html[k])) ++k;
        if (k < html.size() && (html[k] == QLatin1Char('"') || html[k] == QLatin1Char('\''))) {
            const qsizetype close = html.indexOf(html[k], k + 1);
            if (close < 0) return -1;
            i = close;
        }
    }
    return -1;
}

// A cloze opening "{{cN::" at `i`: its number, with `i` moved to its text; -1 when none is there.
int clozeOpening(QStringView t, qsizetype& i) {
    if (!t.sliced(i).startsWith(QLatin1String("{{c"))) return -1;
    qsizetype k = i + 3;
    while (k < t.size() && t[k].isDigit() && t[k].unicode() < 128) ++k;
    if (k == i + 3 || k - i > 12 || !t.sliced(k).startsWith(QLatin1String("::"))) return -1;
    const int number = t.sliced(i + 3, k - i - 3).toInt();
    i = k + 2;
    return number;
}

// Where the cloze whose text starts at `i` ends (at its "}}"), and where its hint starts (after
// the first "::" outside inner clozes, or -1); -1 when it is never closed.
qsizetype clozeEnd(QStringView t, qsizetype i, qsizetype& hint) {
    int depth = 0;
    hint = -1;
    while (i < t.size()) {
        qsizetype k = i;
        if (clozeOpening(t, k) >= 0) {
            ++depth, i = k;
        } else if (t.sliced(i).startsWith(QLatin1String("}}"))) {
            if (depth == 0) return i;
            --depth, i += 2;
        } else if (depth == 0 && hint < 0 && t.sliced(i).startsWith(QLatin1String("::"))) {
            hint = i + 2, i += 2;
        } else {
            ++i;
        }
    }
    return -1;
}

// The cloze text with card `number`'s clozes hidden when `hide`, every other cloze as its text.
QString renderCloze(QStringView t, int number, bool hide, bool& found, int depth) {
    QString out;
    out.reserve(t.size());
    for (qsizetype i = 0; i < t.size();) {
        qsizetype start = i, hint = -1;
        const int n = depth < kMaxNesting ? clozeOpening(t, start) : -1;
        const qsizetype end = n >= 0 ? clozeEnd(t, start, hint) : -1;
        if (end < 0) {
            out += t[i++];
            continue;
        }
        const QStringView text = t.sliced(start, (hint < 0 ? end + 2 : hint) - 2 - start);
        if (n == number) found = true;
        if (hide && n == number)
            out += QLatin1Char('[') +
                   (hint < 0 ? QStringLiteral("...") : t.sliced(hint, end - hint).toString()) +
                   QLatin1Char(']');
        else
            out += renderCloze(text, number, hide, found, depth + 1);
        i = end + 2;
    }
    return out;
}

}  // namespace

bool ProtoVarint(QByteArrayView message, int field, quint64* value) {
    bool any = false;
    const bool whole = eachField(message, field, [&](int type, quint64 v, QByteArrayView) {
        if (type == 0) *value = v, any = true;
    });
    return whole && any;
}

bool ProtoBytes(QByteArrayView message, int field, QByteArrayView* value) {
    bool any = false;
    const bool whole = eachField(message, field, [&](int type, quint64, QByteArrayView bytes) {
        if (type == 2) *value = bytes, any = true;
    });
    return whole && any;
}

QString HtmlToText(const QString& html, Media* media) {
    return isPlain(html) ? html : HtmlToText(QStringView(html), media);
}

QString HtmlToText(QStringView html, Media* media) {
    if (isPlain(html)) return html.toString();
    Media counted;
    QString out;
    out.reserve(html.size());
    bool blank = false;  // a blank is due before the next character
    const auto put = [&](QStringView text) {
        if (blank && !out.isEmpty()) out += QLatin1Char(' ');
        blank = false;
        out += text;
    };
    for (qsizetype i = 0; i < html.size();) {
        const QChar c = html[i];
        if (isBlank(c)) {
            blank = true, ++i;
            continue;
        }
        if (c == QLatin1Char('[') && html.sliced(i).startsWith(QLatin1String("[sound:"))) {
            const qsizetype end = html.indexOf(QLatin1Char(']'), i);
            if (end > 0) {
                ++counted.sounds, i = end + 1;
                continue;
            }
        }
        if (c == QLatin1Char('&')) {
            const QString decoded = entity(html, i);
            if (!decoded.isNull()) {
                put(decoded);
                continue;
            }
        }
        if (c == QLatin1Char('<') && html.sliced(i).startsWith(QLatin1String("<!"))) {
            const bool comment = html.sliced(i).startsWith(QLatin1String("<!--"));
            const qsizetype end = html.indexOf(QLatin1String(comment ? "-->" : ">"), i + 2);
            i = end < 0 ? html.size() : end + (comment ? 3 : 1);
            continue;
        }
        if (c == QLatin1Char('<')) {
            const bool closing = i + 1 < html.size() && html[i + 1] == QLatin1Char('/');
            qsizetype k = i + 1 + closing;
            while (k < html.size() && isAsciiAlnum(html[k])) ++k;
            const QString name =
                html.sliced(i + 1 + closing, k - i - 1 - closing).toString().toLower();
            const qsizetype end = name.isEmpty() ? -1 : tagEnd(html, k);
            if (end > 0) {
                i = end;
                if (!closing &&
                    (name == QLatin1String("style") || name == QLatin1String("script"))) {
                    const qsizetype close =
                        html.indexOf(QLatin1String("</") + name, i, Qt::CaseInsensitive);
                    const qsizetype after = close < 0 ? -1 : tagEnd(html, close + 2 + name.size());
                    i = after < 0 ? html.size() : after;
                }
                if (!closing && name == QLatin1String("img")) ++counted.pictures;
                if (!closing && name == QLatin1String("audio")) ++counted.sounds;
                if (!closing && name == QLatin1String("video")) ++counted.videos;
                if (blockTags().contains(name)) blank = true;
                continue;
            }
        }
        put(html.sliced(i, 1));
        ++i;
    }
    while (out.endsWith(QLatin1Char(' '))) out.chop(1);
    qsizetype lead = 0;
    while (lead < out.size() && out[lead] == QLatin1Char(' ')) ++lead;
    if (media) {
        media->pictures += counted.pictures, media->sounds += counted.sounds;
        media->videos += counted.videos;
    }
    return lead ? out.mid(lead) : out;
}

QString TextToHtml(QStringView text) {
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('&'))
            out += QLatin1String("&amp;");
        else if (c == QLatin1Char('<'))
            out += QLatin1String("&lt;");
        else if (c == QLatin1Char('>'))
            out += QLatin1String("&gt;");
        else if (c == QLatin1Char('[') && text.sliced(i).startsWith(QLatin1String("[sound:")))
            out += QLatin1String("&#91;");
        // A run of blanks in HTML shows as one: the second and later ones are kept as entities.
        else if (isBlank(c) && (i == 0 || i + 1 == text.size() || isBlank(text[i - 1])))
            out += QLatin1String("&nbsp;");
        else
            out += c;
    }
    return out;
}

QVector<Shown> TemplateFields(QStringView format, const QStringList& fieldNames, bool typeIn) {
    QVector<Shown> shown;
    QVector<std::pair<QString, int>> sections;  // open sections: name, and the field or -1
    QVector<bool> inverted;
    for (qsizetype at = format.indexOf(QLatin1String("{{")); at >= 0;
         at = format.indexOf(QLatin1String("{{"), at)) {
        const qsizetype end = format.indexOf(QLatin1String("}}"), at + 2);
        if (end < 0) break;
        const QString key = format.sliced(at + 2, end - at - 2).trimmed().toString();
        at = end + 2;
        if (key.startsWith(QLatin1Char('#')) || key.startsWith(QLatin1Char('^'))) {
            const QString name = key.mid(1).trimmed();
            sections.append({name, int(fieldNames.indexOf(name))});
            inverted.append(key.startsWith(QLatin1Char('^')));
            continue;
        }
        if (key.startsWith(QLatin1Char('/'))) {
            const QString name = key.mid(1).trimmed();
            for (qsizetype s = sections.size() - 1; s >= 0; --s)
                if (sections[s].first == name) {
                    sections.resize(s), inverted.resize(s);
                    break;
                }
            continue;
        }
        // Filters stand before the field's name: {{type:Back}}, {{hint:Back}}, {{tts en_US:Front}}.
        const qsizetype colon = key.lastIndexOf(QLatin1Char(':'));
        const QString name = key.mid(colon + 1).trimmed();
        const QStringList filters =
            colon < 0 ? QStringList() : key.left(colon).split(QLatin1Char(':'));
        const bool typed = std::any_of(filters.begin(), filters.end(), [](const QString& f) {
            return f.trimmed() == QLatin1String("type");
        });
        const int field = int(fieldNames.indexOf(name));
        if (field < 0 || (typed && !typeIn)) continue;
        Shown s{field, {}, {}};
        for (qsizetype k = 0; k < sections.size(); ++k) {
            // A section on no field is never filled.
            if (inverted[k] && sections[k].second >= 0) s.shownUnless.append(sections[k].second);
            if (!inverted[k]) s.shownIf.append(sections[k].second);
        }
        shown.append(s);
    }
    return shown;
}

QVector<int> FieldsShown(const QVector<Shown>& shown, const QVector<bool>& filled,
                         const QVector<int>& except) {
    const auto isFilled = [&](int f) { return f >= 0 && f < filled.size() && filled[f]; };
    QVector<int> fields;
    for (const Shown& s : shown) {
        if (fields.contains(s.field) || except.contains(s.field)) continue;
        if (!std::all_of(s.shownIf.begin(), s.shownIf.end(), isFilled)) continue;
        if (std::any_of(s.shownUnless.begin(), s.shownUnless.end(), isFilled)) continue;
        fields.append(s.field);
    }
    return fields;
}

ClozeSides Cloze(QStringView text, int number) {
    ClozeSides sides;
    sides.side1 = renderCloze(text, number, true, sides.found, 0);
    bool any = false;
    sides.side2 = renderCloze(text, number, false, any, 0);
    return sides;
}

bool IsImageOcclusion(QStringView text) {
    for (qsizetype i = text.indexOf(QLatin1String("{{c")); i >= 0;
         i = text.indexOf(QLatin1String("{{c"), i + 1)) {
        qsizetype start = i;
        if (clozeOpening(text, start) >= 0)
            return text.sliced(start).startsWith(QLatin1String("image-occlusion:"));
    }
    return false;
}

}  // namespace exchange::anki
