#include "platform/com/CClassRegistry.h"
#include "platform/com/CComObject.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace vidlume;

namespace {

struct IShape : IUnknown {
    static constexpr IID kIid = MakeGuid("{11111111-2222-3333-4444-555555555555}");
    virtual int Corners() = 0;
};
struct IPolygon : IShape {
    static constexpr IID kIid = MakeGuid("11111111-2222-3333-4444-555555555556");
    using Base = IShape;
    virtual int Sides() = 0;
};
struct IColored : IUnknown {
    static constexpr IID kIid = MakeGuid("11111111-2222-3333-4444-555555555557");
    virtual int Color() = 0;
};

struct IOther : IUnknown {
    static constexpr IID kIid = MakeGuid("99999999-0000-0000-0000-000000000000");
};

int g_alive = 0;

class CSquare final : public CComObject<IPolygon, IColored> {
public:
    CSquare() { ++g_alive; }
    ~CSquare() override { --g_alive; }
    int Corners() override { return 4; }
    int Sides() override { return 4; }
    int Color() override { return 7; }
};

constexpr CLSID CLSID_Square = MakeGuid("AAAAAAAA-0000-0000-0000-000000000001");
constexpr CLSID CLSID_Circle = MakeGuid("AAAAAAAA-0000-0000-0000-000000000002");
constexpr Guid kShapes = MakeGuid("BBBBBBBB-0000-0000-0000-000000000000");

} // namespace

TEST(GuidTest, ParsesAndFormats)
{
    struct Case {
        const char* text;
        bool valid;
        const char* canonical;
    };
    const Case cases[] = {
        { "8670C736-F614-427B-8ADA-BBADC587194B", true, "8670C736-F614-427B-8ADA-BBADC587194B" },
        { "{8670c736-f614-427b-8ada-bbadc587194b}", true, "8670C736-F614-427B-8ADA-BBADC587194B" },
        { "00000000-0000-0000-C000-000000000046", true, "00000000-0000-0000-C000-000000000046" },
        { "8670C736F614-427B-8ADA-BBADC587194B-", false, "" },
        { "8670C736-F614-427B-8ADA-BBADC587194", false, "" },
        { "{8670C736-F614-427B-8ADA-BBADC587194B", false, "" },
        { "8670C736-F614-427B-8ADA-BBADC587194G", false, "" },
        { "", false, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto g = Guid::Parse(c.text);
        ASSERT_EQ(g.has_value(), c.valid);
        if (c.valid) {
            EXPECT_EQ(g->ToString(), c.canonical);
            EXPECT_EQ(Guid::Parse(g->ToString()), g);
        }
    }
    // The field order matters: data1 is the first eight digits, data4 the last eight bytes.
    constexpr Guid g = MakeGuid("E436EB86-524F-11CE-9F53-0020AF0BA770");
    static_assert(g.data1 == 0xE436EB86 && g.data2 == 0x524F && g.data3 == 0x11CE);
    static_assert(g.data4[0] == 0x9F && g.data4[7] == 0x70);
}

TEST(GuidTest, FourCCSubtypes)
{
    EXPECT_EQ(Guid::FromFourCC("H264").ToString(), "34363248-0000-0010-8000-00AA00389B71");
    EXPECT_EQ(Guid::FromFourCC(0x00FF).ToString(), "000000FF-0000-0010-8000-00AA00389B71");
    EXPECT_NE(Guid::FromFourCC("avc1"), Guid::FromFourCC("AVC1"));
}

TEST(ComTest, QueryInterfaceFollowsInterfacesAndTheirBases)
{
    {
        ComPtr<IPolygon> polygon(new CSquare);
        ASSERT_EQ(g_alive, 1);

        ComPtr<IShape> shape;
        ASSERT_EQ(polygon.As(&shape), S_OK) << "a base interface is reachable";
        EXPECT_EQ(shape->Corners(), 4);
        ComPtr<IColored> colored;
        ASSERT_EQ(shape.As(&colored), S_OK);
        EXPECT_EQ(colored->Color(), 7);
        EXPECT_TRUE(IsSameObject(shape.Get(), colored.Get()));

        ComPtr<IUnknown> unknown1, unknown2;
        ASSERT_EQ(polygon.As(&unknown1), S_OK);
        ASSERT_EQ(colored.As(&unknown2), S_OK);
        EXPECT_EQ(unknown1, unknown2) << "IUnknown identity must not depend on the path";

        ComPtr<IOther> other;
        EXPECT_EQ(polygon.As(&other), E_NOINTERFACE);
        EXPECT_FALSE(other);
        void* raw = &other;
        EXPECT_EQ(polygon->QueryInterface(IOther::kIid, &raw), E_NOINTERFACE);
        EXPECT_EQ(raw, nullptr);
        EXPECT_EQ(polygon->QueryInterface(IShape::kIid, nullptr), E_POINTER);

        // Copies, moves and Detach/Attach keep exactly one reference each.
        ComPtr<IPolygon> copy = polygon;
        ComPtr<IPolygon> moved = std::move(copy);
        EXPECT_FALSE(copy);
        IPolygon* detached = moved.Detach();
        ComPtr<IPolygon> adopted;
        adopted.Attach(detached);
        EXPECT_EQ(g_alive, 1);
    }
    EXPECT_EQ(g_alive, 0) << "the last release deletes the object";
}

TEST(ComTest, ClassRegistryCreatesByClsidAndListsByMerit)
{
    auto& registry = CClassRegistry::Instance();
    ASSERT_EQ(registry.Register({ CLSID_Square, "square", { kShapes }, 0x200, CClassRegistry::FactoryOf<CSquare>() }), S_OK);
    ASSERT_EQ(registry.Register({ CLSID_Circle, "circle", { kShapes }, 0x600,
                  [](REFIID, void**) -> HRESULT { throw std::runtime_error("broken component"); } }),
        S_OK);

    ComPtr<IShape> shape;
    EXPECT_EQ(CoCreateInstance(CLSID_Square, &shape), S_OK);
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->Corners(), 4);

    EXPECT_EQ(CoCreateInstance(CLSID_Circle, &shape), E_FAIL) << "a throwing factory is contained";
    EXPECT_FALSE(shape);
    EXPECT_EQ(CoCreateInstance(MakeGuid("AAAAAAAA-0000-0000-0000-0000000000FF"), &shape), REGDB_E_CLASSNOTREG);

    auto shapes = registry.EnumerateCategory(kShapes);
    ASSERT_EQ(shapes.size(), 2u);
    EXPECT_EQ(shapes[0].name, "circle");
    EXPECT_EQ(shapes[1].name, "square");

    EXPECT_EQ(registry.Register({ CLSID_Circle, "circle 2", { kShapes }, 1, CClassRegistry::FactoryOf<CSquare>() }), S_FALSE);
    EXPECT_EQ(registry.EnumerateCategory(kShapes)[0].name, "square");
    EXPECT_EQ(registry.Register({ CLSID_Circle, "no factory", {}, 0, nullptr }), E_INVALIDARG);

    EXPECT_TRUE(registry.Unregister(CLSID_Square));
    EXPECT_TRUE(registry.Unregister(CLSID_Circle));
    EXPECT_FALSE(registry.Unregister(CLSID_Circle));
    shape.Reset();
    EXPECT_EQ(g_alive, 0);
}

TEST(ComTest, HResultHelpers)
{
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
    EXPECT_TRUE(FAILED(E_FAIL));
    EXPECT_EQ(HResultFromWin32(ERROR_ACCESS_DENIED), E_ACCESSDENIED);
    EXPECT_EQ(HResultFromWin32(ERROR_SUCCESS), S_OK);
    EXPECT_EQ(HResultToString(E_FAIL), "0x80004005");
}
