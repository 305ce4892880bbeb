// The record-set template and the manifest record set's clones.
#include <gtest/gtest.h>

#include "sync/manifest/ManifestContainer.h"

namespace {

std::vector<int> Items(IZRRecordSet<int>& set) {
    std::vector<int> items;
    for (set.MoveFirst(); !set.IsEOF(); set.MoveNext())
        items.push_back(set.GetCurrent());
    return items;
}

TEST(RecordSetTest, CursorRules) {
    CZRRecordSet<int> set;
    EXPECT_TRUE(set.IsEOF());
    EXPECT_FALSE(set.IsBOF());
    EXPECT_FALSE(set.Insert(1)) << "never positioned";
    EXPECT_EQ(set.GetCount(), 0);
    set.MoveFirst();
    EXPECT_TRUE(set.IsBOF());
    EXPECT_TRUE(set.IsEOF());
    for (int i = 1; i <= 3; ++i) {
        set.MoveEnd();
        EXPECT_TRUE(set.Insert(i));
        EXPECT_EQ(set.GetCurrent(), i) << "the cursor is on the new record";
    }
    EXPECT_EQ(Items(set), (std::vector<int>{1, 2, 3}));
    set.MoveEnd();
    EXPECT_EQ(set.GetCurrent(), 0) << "default at the end position";
    set.MovePrev();
    EXPECT_EQ(set.GetCurrent(), 3);
    set.MoveFirst();
    set.MovePrev();
    EXPECT_EQ(set.GetCurrent(), 1);
    set.MoveNext();
    EXPECT_TRUE(set.Insert(9)) << "inserts before the cursor";
    EXPECT_EQ(Items(set), (std::vector<int>{1, 9, 2, 3}));

    set.MoveFirst();
    set.MoveNext();
    EXPECT_EQ(set.RemoveCurrent(), 9);
    EXPECT_EQ(set.GetCurrent(), 2) << "the cursor moves to the following record";
    set.DeleteCurrent();
    EXPECT_EQ(Items(set), (std::vector<int>{1, 3}));
    set.Reverse();
    EXPECT_EQ(set.GetCurrent(), 3);
    EXPECT_EQ(Items(set), (std::vector<int>{3, 1}));
    set.MoveEnd();
    EXPECT_EQ(set.RemoveCurrent(), 0);
    set.Clear();
    EXPECT_TRUE(set.IsEmpty());
    EXPECT_TRUE(set.IsBOF());
}

TEST(RecordSetTest, ReadOnlySetRefusesChanges) {
    CZRRecordSet<int> set(true);
    set.MoveEnd();
    EXPECT_FALSE(set.Insert(1));
    EXPECT_TRUE(set.IsReadOnly());
}

TEST(RecordSetTest, ClonesCopyInOrder) {
    auto container = CZRManifestContainer::CreateInstance();
    auto records = container->GetRecordSet();
    for (int i = 1; i <= 3; ++i) {
        records->MoveEnd();
        records->Insert(CManifestRecord("r" + std::to_string(i), 0, i, 0));
    }
    auto readOnly = container->GetRecordSetCloner()->CloneReadOnly();
    auto writable = container->GetRecordSetCloner()->CloneWritable();
    EXPECT_TRUE(readOnly->IsReadOnly());
    EXPECT_FALSE(writable->IsReadOnly());
    EXPECT_EQ(readOnly->GetCount(), 3);
    EXPECT_EQ(readOnly->GetCurrent().GetName(), "r1") << "cursor on the first record";
    writable->DeleteCurrent();
    EXPECT_EQ(records->GetCount(), 3) << "a clone is a copy";

    CManifestHdr first("a");
    container->SetHeader(first);
    container->LockInitialHeader();
    container->SetHeader(CManifestHdr("b"));
    EXPECT_EQ(container->GetHeader().GetText(), "b");
    EXPECT_EQ(container->GetInitialHeader().GetText(), "a");
}

}  // namespace
