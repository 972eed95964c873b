#include <gtest/gtest.h>

#include <fcntl.h>
#include <ibus.h>
#include <unistd.h>

#include "engine/Handles.h"
#include "ibus/LiranoIBusApp.h"

namespace {

// Adds one to `count` when `object` is finalized.
void CountFinalized(gpointer object, int& count)
{
    g_object_weak_ref(
        G_OBJECT(object), [](gpointer data, GObject*) { ++*static_cast<int*>(data); }, &count);
}

bool IsOpen(int fd) { return fcntl(fd, F_GETFD) != -1; }

int OpenFd() { return open("/dev/null", O_RDONLY | O_CLOEXEC); }

} // namespace

// Every way out of a holder drops its reference once: never twice, never
// before the last owner lets go.
TEST(Handles, AGObjectIsFinalizedOnceOnEveryPath)
{
    using Ptr = GObjectPtr<GObject>;
    struct Case {
        const char* path;
        void (*run)(Ptr held, const int& finalized);
    };
    const Case cases[] = {
        {"destruction", [](Ptr, const int&) {}},
        {"reset",
         [](Ptr p, const int& n) {
             p.reset();
             EXPECT_EQ(n, 1);
             EXPECT_EQ(p.get(), nullptr);
         }},
        {"move construction",
         [](Ptr p, const int& n) {
             Ptr q(std::move(p));
             EXPECT_EQ(n, 0);
             EXPECT_EQ(p.get(), nullptr);
         }},
        {"move assignment over another",
         [](Ptr p, const int& n) {
             int other = 0;
             Ptr q = Ptr::Adopt((GObject*)g_object_new(G_TYPE_OBJECT, nullptr));
             CountFinalized(q.get(), other);
             q = std::move(p);
             EXPECT_EQ(other, 1);
             EXPECT_EQ(n, 0);
         }},
        {"self move",
         [](Ptr p, const int& n) {
             Ptr& same = p;
             p = std::move(same);
             EXPECT_EQ(n, 0);
             EXPECT_NE(p.get(), nullptr);
         }},
        {"release",
         [](Ptr p, const int& n) {
             GObject* raw = p.release();
             EXPECT_EQ(p.get(), nullptr);
             p.reset();
             EXPECT_EQ(n, 0);
             g_object_unref(raw);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        int finalized = 0;
        GObject* object = (GObject*)g_object_new(G_TYPE_OBJECT, nullptr);
        CountFinalized(object, finalized);
        c.run(Ptr::Adopt(object), finalized);
        EXPECT_EQ(finalized, 1);
    }
}

// IBus's new objects float: the holder sinks one into its own reference, and
// a call that takes floating objects then keeps a reference of its own.
TEST(Handles, AFloatingObjectIsSunkAndOutlivedByWhatKeepsIt)
{
    int textFinalized = 0, propFinalized = 0;
    {
        auto text = GObjectPtr<IBusText>::AdoptFloating(ibus_text_new_from_string("x"));
        CountFinalized(text.get(), textFinalized);
        EXPECT_FALSE(g_object_is_floating(text));
        EXPECT_EQ(G_OBJECT(text.get())->ref_count, 1u);
    }
    EXPECT_EQ(textFinalized, 1);

    auto list = GObjectPtr<IBusPropList>::AdoptFloating(ibus_prop_list_new());
    {
        auto prop = GObjectPtr<IBusProperty>::AdoptFloating(
            ibus_property_new("k", PROP_TYPE_NORMAL, ibus_text_new_from_string("k"), "", nullptr, TRUE, TRUE,
                              PROP_STATE_UNCHECKED, nullptr));
        CountFinalized(prop.get(), propFinalized);
        ibus_prop_list_append(list, prop);
    }
    EXPECT_EQ(propFinalized, 0); // the list's reference
    list.reset();
    EXPECT_EQ(propFinalized, 1);
}

// The menu's items belong to their lists alone (and the sub-menus to the
// panel and their item), so nothing of them outlives the panel.
TEST(Handles, PanelPropertiesAreHeldOnlyByTheirLists)
{
    IBusPanel& panel = theApp.Panel;
    panel.Init();
    for (IBusPropList* list :
         {panel.mainList.get(), panel.kieuGoList.get(), panel.bangMaList.get(), panel.toolsList.get()}) {
        ASSERT_NE(list, nullptr);
        EXPECT_FALSE(g_object_is_floating(list));
        for (guint i = 0; IBusProperty* p = ibus_prop_list_get(list, i); ++i) {
            SCOPED_TRACE(ibus_property_get_key(p));
            EXPECT_EQ(G_OBJECT(p)->ref_count, 1u);
        }
    }
    EXPECT_EQ(G_OBJECT(panel.mainList.get())->ref_count, 1u);
    for (IBusPropList* sub : {panel.kieuGoList.get(), panel.bangMaList.get(), panel.toolsList.get()})
        EXPECT_EQ(G_OBJECT(sub)->ref_count, 2u);
}

TEST(Handles, AFileDescriptorIsClosedOnceOnEveryPath)
{
    struct Case {
        const char* path;
        void (*run)(UniqueFd held, int fd);
    };
    const Case cases[] = {
        {"destruction", [](UniqueFd, int) {}},
        {"reset",
         [](UniqueFd f, int fd) {
             f.reset();
             EXPECT_FALSE(IsOpen(fd));
             EXPECT_FALSE(f);
         }},
        {"move construction",
         [](UniqueFd f, int fd) {
             UniqueFd g(std::move(f));
             EXPECT_TRUE(IsOpen(fd));
             EXPECT_EQ(g.get(), fd);
             EXPECT_FALSE(f);
         }},
        {"move assignment over another",
         [](UniqueFd f, int fd) {
             UniqueFd g(OpenFd());
             const int other = g.get();
             g = std::move(f);
             EXPECT_FALSE(IsOpen(other));
             EXPECT_TRUE(IsOpen(fd));
         }},
        {"release",
         [](UniqueFd f, int fd) {
             EXPECT_EQ(f.release(), fd);
             f.reset();
             EXPECT_TRUE(IsOpen(fd));
             close(fd);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const int fd = OpenFd();
        ASSERT_TRUE(IsOpen(fd));
        c.run(UniqueFd(fd), fd);
        EXPECT_FALSE(IsOpen(fd));
    }
}
