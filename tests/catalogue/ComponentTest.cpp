// Counting, handle and misuse semantics of the component base.
#include <gtest/gtest.h>

#include "catalogue/ResPropertyBag.h"
#include "catalogue/ZRunknown.h"

using namespace NResourceItem;

namespace {

class IProbe {
  public:
    virtual int Value() = 0;

  protected:
    ~IProbe() = default;
};

// A component that reports its finalisation and destruction.
class CProbe : public CZRunknown, public IProbe {
  public:
    CProbe(int* finalized, int* destroyed) : m_finalized(finalized), m_destroyed(destroyed) {}
    ~CProbe() override { ++*m_destroyed; }
    int Value() override { return 42; }

  protected:
    void OnZRunknownFinalize() override { ++*m_finalized; }

  private:
    int* m_finalized;
    int* m_destroyed;
};

// Implements the interface without being a component.
class CNotAComponent : public IProbe {
  public:
    virtual ~CNotAComponent() = default;
    int Value() override { return 0; }
};

int CountOf(IProbe* probe) {
    return dynamic_cast<CZRunknown*>(probe)->GetRefCount();
}

}  // namespace

TEST(ComponentTest, HandlesCountReferencesAndFinalizeOnce) {
    int finalized = 0;
    int destroyed = 0;
    {
        CZRauto_ptr<IProbe> first(new CProbe(&finalized, &destroyed));
        EXPECT_EQ(CountOf(first), 1);
        {
            CZRauto_ptr<IProbe> second(first);
            EXPECT_EQ(CountOf(first), 2);
            CZRauto_ptr<IProbe> third;
            third = second;
            EXPECT_EQ(CountOf(first), 3);
            third = third;  // self-assignment changes nothing
            EXPECT_EQ(CountOf(first), 3);
            CZRauto_ptr<IProbe> moved(std::move(third));
            EXPECT_EQ(CountOf(first), 3);
            EXPECT_EQ(third.get(), nullptr);
        }
        EXPECT_EQ(CountOf(first), 1);
        EXPECT_EQ(first->Value(), 42);
        EXPECT_EQ(finalized, 0);
    }
    EXPECT_EQ(finalized, 1);
    EXPECT_EQ(destroyed, 1);

    // Reassigning a handle releases the object it held.
    int finalizedA = 0, destroyedA = 0, finalizedB = 0, destroyedB = 0;
    CZRauto_ptr<IProbe> handle(new CProbe(&finalizedA, &destroyedA));
    handle = new CProbe(&finalizedB, &destroyedB);
    EXPECT_EQ(destroyedA, 1);
    EXPECT_EQ(finalizedA, 1);
    EXPECT_EQ(CountOf(handle), 1);
    handle = CZRauto_ptr<IProbe>();
    EXPECT_EQ(destroyedB, 1);

    // Empty handles are null and release nothing.
    CZRauto_ptr<IProbe> empty;
    CZRauto_ptr<IProbe> alsoEmpty(empty);
    EXPECT_TRUE(empty == nullptr);
    EXPECT_FALSE(alsoEmpty);
}

TEST(ComponentTest, MisuseRaisesExp) {
    // Destroying a component that is still referenced.
    int finalized = 0;
    int destroyed = 0;
    try {
        CProbe probe(&finalized, &destroyed);
        probe.AddRef();
        // Leaving the scope destroys the referenced probe.
    } catch (const CZRptrAssertionException& e) {
        EXPECT_EQ(e.GetMessage(), "##EXP");
        ++finalized;  // reuse as "caught" marker
    }
    EXPECT_EQ(finalized, 1);

    // A handle over an object that is not a component refuses it and keeps its old one.
    CNotAComponent stranger;
    int f2 = 0, d2 = 0;
    CZRauto_ptr<IProbe> handle(new CProbe(&f2, &d2));
    IProbe* before = handle;
    EXPECT_THROW(handle = &stranger, CZRptrAssertionException);
    EXPECT_EQ(handle.get(), before);
    EXPECT_EQ(CountOf(handle), 1);
    EXPECT_THROW(CZRauto_ptr<IProbe> bad(&stranger), CZRptrAssertionException);
}

TEST(ComponentTest, CopiedComponentStartsWithItsOwnCount) {
    CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance("A=1;");
    CZRauto_ptr<IResPropertyBag> second(bag);
    auto* source = dynamic_cast<CResPropertyBagFactory*>(bag.get());
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->GetRefCount(), 2);

    CResPropertyBagFactory copy(*source);
    EXPECT_EQ(copy.GetRefCount(), 0);
    CString value;
    EXPECT_TRUE(copy.Get("a", value));
    EXPECT_EQ(value, "1");
    copy = *source;  // assignment keeps the target's own count
    EXPECT_EQ(copy.GetRefCount(), 0);
    EXPECT_EQ(source->GetRefCount(), 2);
}
