// The resources of Qarvel.exe itself, read from the file: only the dialog,
// the icon and the version, all in Chinese (PRC); the dialog template with
// the exact styles of its 25 controls; the 48 x 48, 256-colour icon with
// its mask; every field of the version.
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/win32/harness.h"
#include "tests/win32/template_table.h"

namespace {

// Qarvel.exe loaded as data only: its resources, none of its code.
class Product {
public:
    Product()
        : m_module(::LoadLibraryExA(harness::QarvelPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE))
    {
        if (!m_module)
            harness::Fail(__FILE__, __LINE__, "cannot load " + harness::Show(harness::QarvelPath()));
    }
    ~Product()
    {
        if (m_module)
            ::FreeLibrary(m_module);
    }
    Product(const Product&) = delete;
    Product& operator=(const Product&) = delete;

    HMODULE Module() const { return m_module; }

    // The resource's bytes; empty when it is missing.
    std::string Resource(LPCSTR type, LPCSTR name) const
    {
        HRSRC found = m_module ? ::FindResourceA(m_module, name, type) : nullptr;
        HGLOBAL loaded = found ? ::LoadResource(m_module, found) : nullptr;
        const char* bytes = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
        return bytes ? std::string(bytes, ::SizeofResource(m_module, found)) : std::string();
    }

private:
    HMODULE m_module;
};

// Reads a resource's little-endian fields one after the other.
class Reader {
public:
    explicit Reader(const std::string& bytes) : m_bytes(bytes) {}

    bool Ok() const { return m_ok; }
    size_t At() const { return m_at; }
    void AlignTo4() { m_at = (m_at + 3) & ~static_cast<size_t>(3); }

    unsigned Byte() { return Take(1); }
    unsigned Word() { return Take(2); }
    unsigned long Dword() { return Take(4); }
    int Short() { return static_cast<short>(Take(2)); }

    // A NUL-terminated UTF-16 string.
    std::u16string String()
    {
        std::u16string text;
        for (unsigned c = Word(); m_ok && c != 0; c = Word())
            text += static_cast<char16_t>(c);
        return text;
    }

    // A string or, after 0xFFFF, an ordinal ("#n").
    std::u16string StringOrOrdinal()
    {
        if (m_at + 2 <= m_bytes.size() && static_cast<unsigned char>(m_bytes[m_at]) == 0xFF
            && static_cast<unsigned char>(m_bytes[m_at + 1]) == 0xFF) {
            Word();
            std::string number = "#" + std::to_string(Word());
            return std::u16string(number.begin(), number.end());
        }
        return String();
    }

private:
    unsigned long Take(size_t size)
    {
        if (m_at + size > m_bytes.size()) {
            m_ok = false;
            return 0;
        }
        unsigned long value = 0;
        for (size_t i = 0; i < size; ++i)
            value |= static_cast<unsigned long>(static_cast<unsigned char>(m_bytes[m_at + i])) << (8 * i);
        m_at += size;
        return value;
    }

    const std::string& m_bytes;
    size_t m_at = 0;
    bool m_ok = true;
};

std::string TypeName(LPCSTR type)
{
    return IS_INTRESOURCE(type) ? "#" + std::to_string(reinterpret_cast<UINT_PTR>(type)) : type;
}

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param)
{
    reinterpret_cast<std::set<WORD>*>(param)->insert(language);
    return TRUE;
}

struct Names {
    std::map<std::string, std::set<WORD>> languages;  // by name
};

BOOL CALLBACK AddName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param)
{
    std::set<WORD>& languages = (*reinterpret_cast<std::map<std::string, Names>*>(param))[TypeName(type)]
                                    .languages[TypeName(name)];
    ::EnumResourceLanguagesA(module, type, name, AddLanguage, reinterpret_cast<LONG_PTR>(&languages));
    return TRUE;
}

BOOL CALLBACK AddType(HMODULE module, LPSTR type, LONG_PTR param)
{
    ::EnumResourceNamesA(module, type, AddName, param);
    return TRUE;
}

TEST(Resources_OnlyDialogIconVersionAndManifest)
{
    Product product;
    if (!product.Module())
        return;
    std::map<std::string, Names> found;
    ::EnumResourceTypesA(product.Module(), AddType, reinterpret_cast<LONG_PTR>(&found));
    // No string table, menu or accelerators. The texts are in Chinese (PRC);
    // the manifest (its contents are the release tests') is neutral. The
    // dialogs: the main one, and the progress window of a long cut.
    using Languages = std::map<std::string, std::set<WORD>>;
    const std::map<std::string, Languages> expected = {
        { "#3", { { "#1", { 0x0804 } } } },                              // RT_ICON: image 1
        { "#5", { { "#102", { 0x0804 } }, { "#103", { 0x0804 } } } },   // RT_DIALOG
        { "#14", { { "#128", { 0x0804 } } } },                           // RT_GROUP_ICON
        { "#16", { { "#1", { 0x0804 } } } },                             // RT_VERSION
        { "#24", { { "#1", { 0x0000 } } } },                             // RT_MANIFEST
    };
    CHECK_EQ(found.size(), expected.size());
    for (const auto& type : found) {
        harness::Case c("type " + type.first);
        auto wanted = expected.find(type.first);
        CHECK(wanted != expected.end());
        if (wanted != expected.end())
            CHECK(type.second.languages == wanted->second);
    }
}

TEST(Resources_DialogTemplateAsWritten)
{
    Product product;
    std::string bytes = product.Resource(RT_DIALOG, MAKEINTRESOURCEA(IDD_CUTTER_DIALOG));
    CHECK(!bytes.empty());
    if (bytes.empty())
        return;
    Reader r(bytes);
    CHECK_EQ(r.Word(), 1u);       // dlgVer: DIALOGEX
    CHECK_EQ(r.Word(), 0xFFFFu);  // signature
    CHECK_EQ(r.Dword(), 0ul);     // help ID
    CHECK_EQ(r.Dword(), static_cast<unsigned long>(support::kDialogExStyle));
    CHECK_EQ(r.Dword(), static_cast<unsigned long>(support::kDialogStyle));
    unsigned count = r.Word();
    CHECK_EQ(count, 25u);
    CHECK_EQ(r.Short(), 0);
    CHECK_EQ(r.Short(), 0);
    CHECK_EQ(r.Short(), 312);
    CHECK_EQ(r.Short(), 200);
    CHECK_EQ(r.StringOrOrdinal(), std::u16string());  // no menu
    CHECK_EQ(r.StringOrOrdinal(), std::u16string());  // no class of its own
    std::u16string caption = r.String();
    std::u16string start = support::kCaptionStart;
    CHECK_EQ(caption.substr(0, start.size()), start);
    CHECK(caption.size() > start.size() + 1 && caption.back() == u']');
    CHECK_EQ(r.Word(), 9u);  // points
    CHECK_EQ(r.Word(), 0u);  // weight
    CHECK_EQ(r.Byte(), 0u);  // italic
    CHECK_EQ(r.Byte(), 1u);  // DEFAULT_CHARSET
    CHECK_EQ(r.String(), std::u16string(u"宋体"));

    for (unsigned i = 0; i < count && i < 25; ++i) {
        const support::ControlRow& row = support::kControls[i];
        harness::Case c("control " + harness::Show(static_cast<int>(i + 1)));
        r.AlignTo4();
        CHECK_EQ(r.Dword(), 0ul);  // help ID
        CHECK_EQ(r.Dword(), 0ul);  // extended style
        CHECK_EQ(r.Dword(), static_cast<unsigned long>(row.style));
        CHECK_EQ(r.Short(), row.x);
        CHECK_EQ(r.Short(), row.y);
        CHECK_EQ(r.Short(), row.w);
        CHECK_EQ(r.Short(), row.h);
        CHECK_EQ(static_cast<long>(r.Dword()), static_cast<long>(row.id));
        std::string atom = "#" + std::to_string(row.atom);
        std::u16string className = r.StringOrOrdinal();
        std::string name(row.className);
        std::u16string byName(name.begin(), name.end());
        CHECK(className == std::u16string(atom.begin(), atom.end()) || _wcsicmp(
            reinterpret_cast<const wchar_t*>(className.c_str()), reinterpret_cast<const wchar_t*>(byName.c_str())) == 0);
        std::u16string text = r.StringOrOrdinal();
        if (row.text)
            CHECK_EQ(text, std::u16string(row.text));
        else
            CHECK(!text.empty());
        CHECK_EQ(r.Word(), 0u);  // no creation data
    }
    CHECK(r.Ok());
    CHECK_EQ(r.At(), bytes.size());
}

TEST(Resources_IconIs48By48With256ColoursAndMask)
{
    Product product;
    std::string group = product.Resource(RT_GROUP_ICON, MAKEINTRESOURCEA(IDR_MAINFRAME));
    CHECK_EQ(group.size(), 6u + 14u);
    if (group.size() != 20)
        return;
    Reader g(group);
    CHECK_EQ(g.Word(), 0u);
    CHECK_EQ(g.Word(), 1u);  // icons
    CHECK_EQ(g.Word(), 1u);  // one image
    CHECK_EQ(g.Byte(), 48u);
    CHECK_EQ(g.Byte(), 48u);
    CHECK_EQ(g.Byte(), 0u);  // 256 colours are written as 0
    CHECK_EQ(g.Byte(), 0u);
    CHECK_EQ(g.Word(), 1u);  // planes
    CHECK_EQ(g.Word(), 8u);  // bits per pixel
    unsigned long size = g.Dword();
    CHECK_EQ(g.Word(), 1u);  // icon resource 1

    std::string image = product.Resource(RT_ICON, MAKEINTRESOURCEA(1));
    const size_t palette = 256 * 4, pixels = 48 * 48, mask = 8 * 48;
    CHECK_EQ(image.size(), static_cast<size_t>(size));
    CHECK_EQ(image.size(), 40 + palette + pixels + mask);
    if (image.size() != 40 + palette + pixels + mask)
        return;
    Reader h(image);
    CHECK_EQ(h.Dword(), 40ul);
    CHECK_EQ(h.Dword(), 48ul);
    CHECK_EQ(h.Dword(), 96ul);  // image and mask
    CHECK_EQ(h.Word(), 1u);
    CHECK_EQ(h.Word(), 8u);
    CHECK_EQ(h.Dword(), 0ul);  // BI_RGB

    // Transparent corners, an opaque middle.
    const unsigned char* andMask = reinterpret_cast<const unsigned char*>(image.data()) + 40 + palette + pixels;
    auto transparent = [andMask](int x, int y) {  // y from the top
        return (andMask[(47 - y) * 8 + x / 8] & (0x80 >> (x % 8))) != 0;
    };
    int clear = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x)
            clear += transparent(x, y);
    CHECK(transparent(0, 0) && transparent(47, 0) && transparent(0, 47) && transparent(47, 47));
    CHECK(clear > 48 * 48 / 4 && clear < 48 * 48 * 3 / 4);

    HICON icon = ::CreateIconFromResourceEx(
        reinterpret_cast<BYTE*>(&image[0]), static_cast<DWORD>(image.size()), TRUE, 0x00030000, 48, 48, 0);
    CHECK(icon != nullptr);
    if (!icon)
        return;
    ICONINFO info = {};
    CHECK(::GetIconInfo(icon, &info));
    BITMAP bitmap = {};
    ::GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    CHECK_EQ(bitmap.bmWidth, 48l);
    CHECK(info.hbmMask != nullptr);
    if (info.hbmColor)
        ::DeleteObject(info.hbmColor);
    if (info.hbmMask)
        ::DeleteObject(info.hbmMask);
    ::DestroyIcon(icon);
}

std::wstring Wide(const std::string& ansi)
{
    int length = ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length > 0 ? length - 1 : 0));
    return wide;
}

TEST(Resources_VersionFields)
{
    std::wstring path = Wide(harness::QarvelPath());
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
    CHECK(size > 0);
    if (!size)
        return;
    std::vector<char> data(size);
    CHECK(::GetFileVersionInfoW(path.c_str(), 0, size, data.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    CHECK(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    if (!fixed)
        return;
    CHECK_EQ(fixed->dwSignature, 0xFEEF04BDul);
    CHECK_EQ(fixed->dwFileVersionMS, 0x00010000ul);
    CHECK_EQ(fixed->dwFileVersionLS, 0x00000001ul);
    CHECK_EQ(fixed->dwProductVersionMS, 0x00010000ul);
    CHECK_EQ(fixed->dwProductVersionLS, 0x00000001ul);
    CHECK_EQ(fixed->dwFileFlagsMask, 0x3Ful);
    CHECK_EQ(fixed->dwFileFlags, 0ul);
    CHECK_EQ(fixed->dwFileOS, 4ul);  // VOS__WINDOWS32
    CHECK_EQ(fixed->dwFileType, 1ul);  // VFT_APP
    CHECK_EQ(fixed->dwFileSubtype, 0ul);
    CHECK_EQ(fixed->dwFileDateMS, 0ul);
    CHECK_EQ(fixed->dwFileDateLS, 0ul);

    WORD* translation = nullptr;
    CHECK(::VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                           reinterpret_cast<void**>(&translation), &length));
    CHECK_EQ(length, 4u);
    if (translation && length == 4) {
        CHECK_EQ(translation[0], 0x0804);
        CHECK_EQ(translation[1], 1200);
    }

    struct Row {
        const wchar_t* key;
        const char16_t* value;  // nullptr: free text, not empty
    };
    const Row rows[] = {
        { L"CompanyName", u"" },
        { L"FileDescription", u"Qarvel Microsoft 基础类应用程序" },
        { L"FileVersion", u"1, 0, 0, 1" },
        { L"InternalName", u"Qarvel" },
        { L"LegalCopyright", nullptr },
        { L"LegalTrademarks", u"" },
        { L"OriginalFilename", u"Qarvel.EXE" },
        { L"ProductName", u"Qarvel 应用程序" },
        { L"ProductVersion", u"1, 0, 0, 1" },
    };
    for (const Row& row : rows) {
        std::wstring key = std::wstring(L"\\StringFileInfo\\080404B0\\") + row.key;
        std::string name;
        for (const wchar_t* p = row.key; *p; ++p)
            name += static_cast<char>(*p);
        harness::Case c(name);
        wchar_t* value = nullptr;
        length = 0;
        CHECK(::VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &length));
        std::u16string text = value ? std::u16string(reinterpret_cast<const char16_t*>(value)) : u"";
        if (row.value)
            CHECK_EQ(text, std::u16string(row.value));
        else
            CHECK(!text.empty());
    }
}

}  // namespace
