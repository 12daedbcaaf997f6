// Pins the host's binary interface: every method the plug-in calls must sit
// at the host's vtable slot with the host's parameter types, the command-bar
// interfaces must carry the host's IDs, and the basic types must have the
// host's sizes and codes on Linux (LP64).
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>

#include "host/velmo_query.h"
#include "ksoapi.h"
#include "wpsapi.h"

namespace {

// The vtable slot of a virtual member function. In the Itanium C++ ABI a
// pointer to a virtual member holds 1 + the slot's byte offset in the vtable;
// an even value means the function is not virtual.
template <class F>
long slot_of(F member) {
    static_assert(sizeof(F) == 2 * sizeof(void*), "Itanium member pointer expected");
    std::uintptr_t raw = 0;
    std::memcpy(&raw, &member, sizeof raw);
    if ((raw & 1u) == 0) return -1;
    return static_cast<long>((raw - 1) / sizeof(void*));
}

struct expected_slot {
    const char* interface_name;
    const char* method;
    long slot;
    long measured;
};

// interface, method, slot, parameter types: the host's facts. The types are
// checked at compile time, the slots when the test runs.
#define HOST_METHOD(I, M, SLOT, PARAMS)                                              \
    expected_slot {                                                                  \
#I, #M, SLOT, [] {                                                                 \
            static_assert(std::is_same_v<decltype(&I::M), HRESULT(I::*) PARAMS>, #I "::" #M); \
            return slot_of(&I::M);                                                         \
        }() \
    }

using namespace wpsapi;
using namespace ksoapi;
typedef ksoapi::CommandBars CommandBarsOfHost;
typedef wpsapi::Range RangeOfHost;

const expected_slot host_methods[] = {
    HOST_METHOD(IUnknown, QueryInterface, 0, (REFIID, void**)),
    HOST_METHOD(IDispatch, GetTypeInfoCount, 3, (UINT*)),
    HOST_METHOD(IDispatch, Invoke, 6,
                (DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)),

    HOST_METHOD(_Application, get_Name, 10, (BSTR*)),
    HOST_METHOD(_Application, get_Documents, 11, (Documents**)),
    HOST_METHOD(_Application, get_ActiveDocument, 13, (Document**)),
    HOST_METHOD(_Application, get_Selection, 15, (Selection**)),
    HOST_METHOD(_Application, get_Version, 35, (BSTR*)),
    HOST_METHOD(_Application, get_CommandBars, 61, (CommandBarsOfHost**)),

    HOST_METHOD(Documents, get_Count, 8, (long*)),
    HOST_METHOD(Documents, Item, 12, (VARIANT*, Document**)),
    HOST_METHOD(Documents, Add, 17, (VARIANT*, VARIANT*, VARIANT*, VARIANT*, Document**)),

    HOST_METHOD(_Document, get_Name, 7, (BSTR*)),
    HOST_METHOD(_Document, get_Path, 13, (BSTR*)),
    HOST_METHOD(_Document, get_Bookmarks, 14, (Bookmarks**)),
    HOST_METHOD(_Document, get_Tables, 15, (Tables**)),
    HOST_METHOD(_Document, get_Paragraphs, 29, (Paragraphs**)),
    HOST_METHOD(_Document, get_Sentences, 31, (Sentences**)),
    HOST_METHOD(_Document, get_FullName, 41, (BSTR*)),
    HOST_METHOD(_Document, get_TablesOfContents, 43, (TablesOfContents**)),
    HOST_METHOD(_Document, get_Saved, 54, (VARIANT_BOOL*)),
    HOST_METHOD(_Document, get_Content, 56, (RangeOfHost**)),
    HOST_METHOD(_Document, get_InlineShapes, 88, (InlineShapes**)),
    HOST_METHOD(_Document, Close, 167, (VARIANT*, VARIANT*, VARIANT*)),
    HOST_METHOD(_Document, Save, 175, ()),
    HOST_METHOD(_Document, Range, 178, (VARIANT*, VARIANT*, RangeOfHost**)),
    HOST_METHOD(_Document, Activate, 180, ()),
    HOST_METHOD(_Document, ComputeStatistics, 185, (WdStatistic, VARIANT*, long*)),

    HOST_METHOD(Range, get_Text, 7, (BSTR*)),
    HOST_METHOD(Range, put_Text, 8, (BSTR)),
    HOST_METHOD(Range, get_Start, 11, (long*)),
    HOST_METHOD(Range, put_Start, 12, (long)),
    HOST_METHOD(Range, get_End, 13, (long*)),
    HOST_METHOD(Range, put_End, 14, (long)),
    HOST_METHOD(Range, get_Tables, 19, (Tables**)),
    HOST_METHOD(Range, get_Sentences, 21, (Sentences**)),
    HOST_METHOD(Range, get_Cells, 26, (Cells**)),
    HOST_METHOD(Range, get_Paragraphs, 28, (Paragraphs**)),
    HOST_METHOD(Range, get_Bookmarks, 40, (Bookmarks**)),
    HOST_METHOD(Range, get_HighlightColorIndex, 68, (WdColorIndex*)),
    HOST_METHOD(Range, put_HighlightColorIndex, 69, (WdColorIndex)),
    HOST_METHOD(Range, get_Information, 83, (WdInformation, VARIANT*)),
    HOST_METHOD(Range, get_InlineShapes, 89, (InlineShapes**)),
    HOST_METHOD(Range, Select, 95, ()),
    HOST_METHOD(Range, SetRange, 96, (long, long)),
    HOST_METHOD(Range, get_Document, 192, (Document**)),

    HOST_METHOD(Selection, get_Text, 7, (BSTR*)),
    HOST_METHOD(Selection, put_Text, 8, (BSTR)),
    HOST_METHOD(Selection, get_Start, 11, (long*)),
    HOST_METHOD(Selection, put_Start, 12, (long)),
    HOST_METHOD(Selection, get_End, 13, (long*)),
    HOST_METHOD(Selection, put_End, 14, (long)),
    HOST_METHOD(Selection, get_Sentences, 23, (Sentences**)),
    HOST_METHOD(Selection, get_Find, 56, (Find**)),
    HOST_METHOD(Selection, get_Range, 57, (Range**)),
    HOST_METHOD(Selection, get_Information, 58, (WdInformation, VARIANT*)),
    HOST_METHOD(Selection, get_Document, 75, (Document**)),
    HOST_METHOD(Selection, SetRange, 78, (long, long)),

    HOST_METHOD(Find, ClearFormatting, 52, ()),
    HOST_METHOD(
        Find, Execute, 55,
        (VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*,
         VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT_BOOL*)),

    HOST_METHOD(Bookmarks, get_Count, 8, (long*)),
    HOST_METHOD(Bookmarks, Item, 16, (VARIANT*, Bookmark**)),
    HOST_METHOD(Bookmarks, Add, 17, (BSTR, VARIANT*, Bookmark**)),
    HOST_METHOD(Bookmarks, Exists, 18, (BSTR, VARIANT_BOOL*)),

    HOST_METHOD(Bookmark, get_Name, 7, (BSTR*)),
    HOST_METHOD(Bookmark, get_Range, 8, (Range**)),
    HOST_METHOD(Bookmark, get_Empty, 9, (VARIANT_BOOL*)),
    HOST_METHOD(Bookmark, get_Start, 10, (long*)),
    HOST_METHOD(Bookmark, get_End, 12, (long*)),
    HOST_METHOD(Bookmark, Select, 19, ()),
    HOST_METHOD(Bookmark, Delete, 20, ()),

    HOST_METHOD(Paragraphs, get_Count, 8, (long*)),
    HOST_METHOD(Paragraphs, get_First, 9, (Paragraph**)),
    HOST_METHOD(Paragraphs, get_Last, 10, (Paragraph**)),
    HOST_METHOD(Paragraphs, Item, 71, (long, Paragraph**)),
    HOST_METHOD(Paragraph, get_Range, 7, (Range**)),
    HOST_METHOD(Tables, get_Count, 8, (long*)),
    HOST_METHOD(Tables, Item, 12, (long, Table**)),
    HOST_METHOD(Table, get_Range, 7, (Range**)),
    HOST_METHOD(Cells, get_Count, 8, (long*)),
    HOST_METHOD(Cells, Item, 23, (long, Cell**)),
    HOST_METHOD(Cell, get_Range, 7, (Range**)),
    HOST_METHOD(InlineShapes, get_Count, 10, (long*)),
    HOST_METHOD(InlineShapes, Item, 12, (long, InlineShape**)),
    HOST_METHOD(InlineShape, get_Range, 12, (Range**)),
    HOST_METHOD(TablesOfContents, get_Count, 11, (long*)),
    HOST_METHOD(TablesOfContents, Item, 14, (long, TableOfContents**)),
    HOST_METHOD(TableOfContents, get_Range, 25, (Range**)),
    HOST_METHOD(Sentences, get_Count, 8, (long*)),
    HOST_METHOD(Sentences, get_First, 9, (Range**)),
    HOST_METHOD(Sentences, get_Last, 10, (Range**)),
    HOST_METHOD(Sentences, Item, 14, (long, Range**)),

    HOST_METHOD(_CommandBars, Add, 11, (VARIANT, VARIANT, VARIANT, VARIANT, CommandBar**)),
    HOST_METHOD(_CommandBars, get_Count, 12, (int*)),
    HOST_METHOD(_CommandBars, get_Item, 18, (VARIANT, CommandBar**)),

    HOST_METHOD(CommandBar, get_Controls, 33, (CommandBarControls**)),
    HOST_METHOD(CommandBar, get_Name, 44, (BSTR*)),
    HOST_METHOD(CommandBar, get_Position, 49, (MsoBarPosition*)),
    HOST_METHOD(CommandBar, get_Visible, 60, (VARIANT_BOOL*)),
    HOST_METHOD(CommandBar, put_Visible, 61, (VARIANT_BOOL)),

    HOST_METHOD(CommandBarControls, Add, 9,
                (VARIANT, VARIANT, VARIANT, VARIANT, VARIANT, CommandBarControl**)),
    HOST_METHOD(CommandBarControls, get_Count, 10, (int*)),
    HOST_METHOD(CommandBarControls, get_Item, 11, (VARIANT, CommandBarControl**)),

    HOST_METHOD(CommandBarControl, get_Caption, 33, (BSTR*)),
    HOST_METHOD(CommandBarControl, put_Caption, 34, (BSTR)),
    HOST_METHOD(CommandBarControl, get_Enabled, 40, (VARIANT_BOOL*)),
    HOST_METHOD(CommandBarControl, put_Enabled, 41, (VARIANT_BOOL)),
    HOST_METHOD(CommandBarControl, Execute, 42, ()),
    HOST_METHOD(CommandBarControl, get_Id, 49, (int*)),
    HOST_METHOD(CommandBarControl, get_Parameter, 59, (BSTR*)),
    HOST_METHOD(CommandBarControl, put_Parameter, 60, (BSTR)),
    HOST_METHOD(CommandBarControl, get_Type, 70, (MsoControlType*)),
    HOST_METHOD(CommandBarControl, get_Visible, 71, (VARIANT_BOOL*)),
    HOST_METHOD(CommandBarControl, put_Visible, 72, (VARIANT_BOOL)),

    HOST_METHOD(CommandBarPopup, get_Controls, 84, (CommandBarControls**)),

    // The automation bases of the command-bar interfaces: the host writes an
    // 8-byte long through get_Creator on both.
    HOST_METHOD(_IMsoDispObj, get_Application, 7, (IDispatch**)),
    HOST_METHOD(_IMsoDispObj, get_Creator, 8, (long*)),
    HOST_METHOD(_IMsoOleAccDispObj, get_Application, 28, (IDispatch**)),
    HOST_METHOD(_IMsoOleAccDispObj, get_Creator, 29, (long*)),
};

TEST(HostLayout, EveryCalledMethodSitsAtTheHostsSlot) {
    for (const expected_slot& m : host_methods)
        EXPECT_EQ(m.slot, m.measured) << m.interface_name << "::" << m.method;
}

// The real bases come first in each command-bar interface: the automation
// base with Application and Creator, and for bars and controls the 21
// accessibility methods before it.
TEST(HostLayout, CommandBarInterfacesHaveTheHostsBaseChains) {
    EXPECT_TRUE((std::is_base_of_v<_IMsoDispObj, _CommandBars>));
    EXPECT_TRUE((std::is_base_of_v<_IMsoDispObj, CommandBarControls>));
    EXPECT_TRUE((std::is_base_of_v<_IMsoOleAccDispObj, CommandBar>));
    EXPECT_TRUE((std::is_base_of_v<_IMsoOleAccDispObj, CommandBarControl>));
    EXPECT_TRUE((std::is_base_of_v<CommandBarControl, CommandBarPopup>));
    EXPECT_TRUE((std::is_base_of_v<IAccessible, _IMsoOleAccDispObj>));
    EXPECT_EQ(7, slot_of(&_IMsoDispObj::get_Application));
    EXPECT_EQ(7, slot_of(&IAccessible::get_accParent));
    EXPECT_EQ(27, slot_of(&IAccessible::put_accValue));
    EXPECT_EQ(28, slot_of(&_IMsoOleAccDispObj::get_Application));
    EXPECT_EQ(29, slot_of(&_IMsoOleAccDispObj::get_Creator));
}

std::string text_of(const IID& iid) {
    char text[40];
    std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", iid.Data1,
                  iid.Data2, iid.Data3, iid.Data4[0], iid.Data4[1], iid.Data4[2], iid.Data4[3],
                  iid.Data4[4], iid.Data4[5], iid.Data4[6], iid.Data4[7]);
    return text;
}

TEST(HostLayout, CommandBarInterfacesCarryTheHostsIds) {
    EXPECT_EQ("00020400-0000-0000-C000-000000000046", text_of(IDispatch::iid));
    EXPECT_EQ("000C0300-0000-0000-C000-000000000046", text_of(_IMsoDispObj::iid));
    EXPECT_EQ("000C0301-0000-0000-C000-000000000046", text_of(_IMsoOleAccDispObj::iid));
    EXPECT_EQ("000C0302-0000-0000-C000-000000000046", text_of(_CommandBars::iid));
    EXPECT_EQ("000C0304-0000-0000-C000-000000000046", text_of(CommandBar::iid));
    EXPECT_EQ("000C0306-0000-0000-C000-000000000046", text_of(CommandBarControls::iid));
    EXPECT_EQ("000C0308-0000-0000-C000-000000000046", text_of(CommandBarControl::iid));
    EXPECT_EQ("000C030A-0000-0000-C000-000000000046", text_of(CommandBarPopup::iid));
    EXPECT_EQ("000C0351-0000-0000-C000-000000000046", text_of(DIID__CommandBarButtonEvents));
    // The plug-in asks for a pop-up with its own copy of the ID.
    EXPECT_EQ(text_of(CommandBarPopup::iid), text_of(velmo_iid_command_bar_popup));
}

TEST(HostLayout, BasicTypesHaveTheHostsSizesAndCodes) {
    EXPECT_EQ(16u, sizeof(VARIANT));
    EXPECT_EQ(0u, offsetof(VARIANT, vt));
    EXPECT_EQ(8u, offsetof(VARIANT, llVal));
    // The accessors the plug-in uses reach the same bytes as the vendor's.
    VARIANT v{};
    const char* base = reinterpret_cast<const char*>(&v);
    EXPECT_EQ(0, reinterpret_cast<const char*>(&V_VT(&v)) - base);
    EXPECT_EQ(8, reinterpret_cast<const char*>(&V_I4(&v)) - base);
    EXPECT_EQ(8, reinterpret_cast<const char*>(&V_BSTR(&v)) - base);
    EXPECT_EQ(2u, sizeof(*BSTR{}));
    EXPECT_TRUE((std::is_same_v<WCHAR, unsigned short>));
    EXPECT_EQ(8u, sizeof(long));
    EXPECT_TRUE((std::is_same_v<ULONG, unsigned long>));
    EXPECT_EQ(2u, sizeof(VARIANT_BOOL));
    EXPECT_EQ(4u, sizeof(HRESULT));

    EXPECT_EQ(0x80000001u, static_cast<uint32_t>(E_NOTIMPL));
    EXPECT_EQ(0x80000002u, static_cast<uint32_t>(E_OUTOFMEMORY));
    EXPECT_EQ(0x80000003u, static_cast<uint32_t>(E_INVALIDARG));
    EXPECT_EQ(0x80000004u, static_cast<uint32_t>(E_NOINTERFACE));
    EXPECT_EQ(0x80000005u, static_cast<uint32_t>(E_POINTER));
    EXPECT_EQ(0x80000008u, static_cast<uint32_t>(E_FAIL));
    EXPECT_EQ(0x80020004u, static_cast<uint32_t>(DISP_E_PARAMNOTFOUND));
}

}  // namespace
