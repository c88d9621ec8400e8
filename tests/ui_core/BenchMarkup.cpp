// Figures for the skin parser and the name map: CMarkup against TinyXML on
// the same 1 MB skin document, and Find calls on control-like names.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include <tinyxml.h>

#include "ui/core/Markup.h"
#include "ui/core/StdStringPtrMap.h"

using namespace SkinUI;

namespace {

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string MakeSkin(size_t targetBytes)
{
    std::string doc = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<Window size=\"800,600\" caption=\"0,0,0,32\" roundcorner=\"4,4\">\n"
                      "  <Font id=\"0\" name=\"Microsoft YaHei\" size=\"12\" bold=\"false\" />\n"
                      "  <VerticalLayout bkcolor=\"#FFF5F5F5\">\n";
    for (int i = 0; doc.size() < targetBytes - 64; i++) {
        std::string n = std::to_string(i);
        doc += "    <HorizontalLayout name=\"row_" + n + "\" height=\"28\" padding=\"4,2,4,2\">\n"
               "      <!-- row " + n + " -->\n"
               "      <Label name=\"label_" + n + "\" text=\"Item &amp; value " + n +
               "\" textcolor=\"#FF333333\" font=\"0\" />\n"
               "      <Button name=\"btn_" + n + "\" normalimage=\"file='btn.png' source='0,0,60,24'\" "
               "hotimage=\"file='btn.png' source='0,24,60,48'\" text=\"Open\" />\n"
               "      <Progress name=\"progress_" + n + "\" value=\"" + std::to_string(i % 100) +
               "\" min=\"0\" max=\"100\">text of the bar</Progress>\n"
               "    </HorizontalLayout>\n";
    }
    doc += "  </VerticalLayout>\n</Window>\n";
    return doc;
}

int CountMarkup(CMarkupNode node)
{
    int n = 0;
    for (; node.IsValid(); node = node.GetSibling()) n += 1 + CountMarkup(node.GetChild());
    return n;
}

int CountTiny(const TiXmlElement* element)
{
    int n = 0;
    for (; element != nullptr; element = element->NextSiblingElement()) n += 1 + CountTiny(element->FirstChildElement());
    return n;
}

} // namespace

int main()
{
    const std::string skin = MakeSkin(1024 * 1024);
    const int rounds = 10;

    double bestMarkup = 1e9, bestTiny = 1e9;
    int markupElements = 0, tinyElements = 0;
    for (int round = 0; round < rounds; round++) {
        double start = Now();
        CMarkup markup;
        if (!markup.LoadFromMem(reinterpret_cast<const BYTE*>(skin.data()), static_cast<DWORD>(skin.size()))) {
            std::printf("CMarkup failed to parse the benchmark document\n");
            return 1;
        }
        double elapsed = Now() - start;
        if (elapsed < bestMarkup) bestMarkup = elapsed;
        markupElements = CountMarkup(markup.GetRoot());

        start = Now();
        TiXmlDocument doc;
        doc.Parse(skin.c_str(), nullptr, TIXML_ENCODING_UTF8);
        elapsed = Now() - start;
        if (doc.Error()) {
            std::printf("TinyXML failed to parse the benchmark document: %s\n", doc.ErrorDesc());
            return 1;
        }
        if (elapsed < bestTiny) bestTiny = elapsed;
        tinyElements = CountTiny(doc.RootElement());
    }
    std::printf("document: %u bytes, %d elements (TinyXML counts %d)\n", static_cast<unsigned>(skin.size()),
                markupElements, tinyElements);
    std::printf("CMarkup parse: %.2f ms (best of %d)\n", bestMarkup * 1000, rounds);
    std::printf("TinyXML parse: %.2f ms (best of %d)\n", bestTiny * 1000, rounds);
    std::printf("ratio TinyXML / CMarkup: %.2f\n", bestTiny / bestMarkup);

    const int names = 10000;
    const int finds = 1000000;
    std::vector<std::wstring> keys;
    const wchar_t* kinds[] = { L"btn_", L"label_", L"option_", L"progress_", L"layout_" };
    for (int i = 0; i < names; i++) keys.push_back(std::wstring(kinds[i % 5]) + L"item_" + std::to_wstring(i));
    // The default bucket count, as the paint manager uses it, and a larger one.
    for (int buckets : { static_cast<int>(CStdStringPtrMap::DEFAULT_BUCKETS), 10007 }) {
        CStdStringPtrMap map(buckets);
        for (int i = 0; i < names; i++) map.Insert(keys[i].c_str(), &keys[i]);
        unsigned int hits = 0;
        unsigned int pick = 12345;
        double start = Now();
        for (int i = 0; i < finds; i++) {
            pick = pick * 1103515245u + 12345u;
            if (map.Find(keys[(pick >> 8) % names].c_str()) != nullptr) ++hits;
        }
        double elapsed = Now() - start;
        std::printf("CStdStringPtrMap::Find: %d calls on %d names (%d buckets): %.2f ms, %.1f ns per call, "
                    "%u hits\n",
                    finds, names, map.GetBucketCount(), elapsed * 1000, elapsed * 1e9 / finds, hits);
    }
    return 0;
}
