// Who outlives whom: a control and its constituents parting in either order, a control sited
// late or sited again, the container's notice that it is going away, and the library's counts
// that decide unloading. The first group needs no host at all.

#include "controls/shipped_classes.h"
#include "controls/text/TextoEmMaiusculo/TextoEmMaiusculo.h"
#include "framework/sink.h"
#include "tests/support.h"

#include <thread>

namespace tessivra::testing {
namespace {

// ---- handles and sink references, without a host ---------------------------------------------

// The smallest constituent a host could make: a timer that fires on request, holding its owner's
// sink as every host must.
class BareTimer final : public tessivra::Timer {
public:
    explicit BareTimer(TimerEvents* events) : events_(events) {}
    ErrorOr<std::int32_t> Interval() override { return 1000; }
    ErrorOr<VBool> Enabled() override { return VTrue; }
    ErrorOr<void> fire() { return events_ ? events_->Timer() : ErrorOr<void>(); }
    PartHandle<tessivra::Timer> handle() const { return anchor_.handle(); }

private:
    SinkRef<TimerEvents> events_;
    PartAnchor<tessivra::Timer> anchor_{*this};
};

// An owner with one sink that serves a timer and a label, as a control's do.
struct Ticker {
    int ticks = 0;
    ErrorOr<void> Tick() {
        ++ticks;
        return {};
    }
    ErrorOr<void> Clicked() { return {}; }
    Sink<Ticker, Handlers<Ticker>{.Click = &Ticker::Clicked, .Timer = &Ticker::Tick}> events{*this};
};

TEST(ConstituentHandle, ReachesTheConstituentWhileTheHostKeepsItAndFailsCleanlyAfter) {
    PartHandle<tessivra::Timer> kept;
    EXPECT_FALSE(kept.alive());
    // Never given a constituent: the owner is not sited yet.
    EXPECT_EQ(kept->Interval().error().code, errc::ClientSiteNotAvailable);
    {
        BareTimer timer(nullptr);
        kept = timer.handle();
        EXPECT_TRUE(kept.alive());
        EXPECT_EQ(kept->Interval().value(), 1000);
        EXPECT_EQ(static_cast<BareTimer*>(kept), &timer);
    }
    // The host destroyed it: every call fails and says why, and the host's type is out of reach.
    EXPECT_FALSE(kept.alive());
    auto gone = kept->Enabled();
    ASSERT_TRUE(gone.isError());
    EXPECT_EQ(gone.error().code, errc::ObjectDisconnected);
    EXPECT_EQ(toUtf8(gone.error().description), "The timer has been destroyed by its host");
    EXPECT_EQ(static_cast<BareTimer*>(kept), nullptr);
    // A copy made afterwards is no better.
    PartHandle<tessivra::Timer> copy = kept;
    EXPECT_EQ(copy->Interval().error().code, errc::ObjectDisconnected);
}

TEST(ConstituentHandle, AnOwnerThatGoesFirstIsNeverCalledAgainByAnyOfItsConstituents) {
    auto owner = std::make_unique<Ticker>();
    BareTimer first(&owner->events), second(&owner->events);
    ASSERT_OK(first.fire());
    ASSERT_OK(second.fire());
    EXPECT_EQ(owner->ticks, 2);
    // A sink handed to several constituents shares one lifeline: all of them let go.
    SinkRef<LabelEvents> label(&owner->events);
    EXPECT_TRUE(label);
    owner.reset();
    EXPECT_FALSE(label);
    ASSERT_OK(first.fire());
    ASSERT_OK(second.fire());
}

TEST(ConstituentHandle, ACopiedSinkIsAnotherSinkWithItsOwnLifeline) {
    struct Events final : TimerEvents {};
    auto original = std::make_unique<Events>();
    Events copy = *original;
    SinkRef<TimerEvents> toOriginal(original.get()), toCopy(&copy);
    original.reset();
    EXPECT_FALSE(toOriginal);
    EXPECT_TRUE(toCopy);
}

// ---- siting, without a host --------------------------------------------------------------------

TEST(Siting, AControlNotYetSitedRefusesEveryCallThatNeedsItsContainer) {
    auto made = createUnsited<TextoEmMaiusculo>();
    ASSERT_OK(made);
    TextoEmMaiusculo& box = *made.value();
    EXPECT_FALSE(box.isSited());
    auto text = box.Text();
    ASSERT_TRUE(text.isError());
    EXPECT_EQ(text.error().code, errc::ClientSiteNotAvailable);
    EXPECT_EQ(box.setBackColor(0xFF).error().code, errc::ClientSiteNotAvailable);
    EXPECT_EQ(box.PopupMenu(Value::nothing()).error().code, errc::ClientSiteNotAvailable);
    EXPECT_EQ(box.UserControl_Resize().error().code, errc::ClientSiteNotAvailable);
}

// ---- the headless host -----------------------------------------------------------------------

std::shared_ptr<Control> unsitedUppercase() {
    auto made = createUnsited<TextoEmMaiusculo>();
    return made.isError() ? nullptr : std::shared_ptr<Control>(made.releaseValue());
}

TEST(PartingOrder, TheControlGoesFirstAndItsConstituentsLiveOnWithoutIt) {
    HeadlessForm form;
    form.journal().enabled = true;
    ASSERT_OK(form.add<TextoEmMaiusculo>(u"t"));
    auto* text1 = form.container(u"t")->find<HeadlessTextBox>(u"Text1");
    ASSERT_OK(form.type(u"t", u"a"));
    EXPECT_EQ(text1->text(), u"A");

    form.dropControl(u"t");
    EXPECT_EQ(form.control(u"t"), nullptr);
    form.journal().clear();
    // The box still edits, but no rule runs and no event is raised: the sink let go.
    ASSERT_OK(form.type(u"t", u"b"));
    ASSERT_OK(form.key(u"t", 13));
    EXPECT_EQ(text1->text(), u"Ab");
    for (const auto& line : form.journal().lines)
        EXPECT_EQ(line.rfind("event", 0), std::string::npos) << line;
}

TEST(PartingOrder, TheConstituentsGoFirstAndTheControlsCallsFailWithoutTouchingThem) {
    HeadlessForm form;
    auto* box = form.add<TextoEmMaiusculo>(u"t").value();
    ASSERT_OK(form.focus(u"t"));
    form.destroyConstituents(u"t");
    EXPECT_EQ(form.focused(), nullptr);
    EXPECT_TRUE(form.container(u"t")->constituents().empty());

    auto text = box->Text();
    ASSERT_TRUE(text.isError());
    EXPECT_EQ(text.error().code, errc::ObjectDisconnected);
    // The setter protocol holds: the assignment failed, so the container hears nothing.
    EXPECT_EQ(box->setText(u"x").error().code, errc::ObjectDisconnected);
    EXPECT_TRUE(form.container(u"t")->notices.empty());
    // The resize handler stops at its first failing call.
    EXPECT_EQ(form.resize(u"t", 2000, 400).error().code, errc::ObjectDisconnected);
    HeadlessPropertyBag bag;
    EXPECT_EQ(form.save(u"t", bag).error().code, errc::ObjectDisconnected);
}

TEST(PartingOrder, AControlMayOutliveItsWholeForm) {
    std::shared_ptr<Control> kept = unsitedUppercase();
    ASSERT_TRUE(kept);
    {
        HeadlessForm form;
        ASSERT_OK(form.site(u"t", kept, 1200, 300));
        ASSERT_OK(form.type(u"t", u"q"));
    }
    auto& box = static_cast<TextoEmMaiusculo&>(*kept);
    // Told that the form went away, it holds no site; its constituents went with the form.
    EXPECT_FALSE(box.isSited());
    EXPECT_EQ(box.Text().error().code, errc::ObjectDisconnected);
    EXPECT_EQ(box.PopupMenu(Value::nothing()).error().code, errc::ClientSiteNotAvailable);
}

TEST(Siting, ALateSitedControlMakesItsConstituentsThenAndKeepsItsRule) {
    std::shared_ptr<Control> control = unsitedUppercase();
    ASSERT_TRUE(control);
    HeadlessForm form;
    ASSERT_OK(form.site(u"t", control, 1200, 555));
    EXPECT_TRUE(control->isSited());
    // The creation handler ran on the new site: the height is the typed-case controls' 300.
    EXPECT_EQ(form.container(u"t")->height(), 300);
    ASSERT_NE(form.container(u"t")->find<HeadlessTextBox>(u"Text1"), nullptr);
    ASSERT_OK(form.type(u"t", u"abc"));
    EXPECT_EQ(static_cast<TextoEmMaiusculo&>(*control).Text().value(), u"ABC");
    // A name already on the form is refused before the control is touched.
    EXPECT_EQ(form.site(u"t", unsitedUppercase(), 100, 100).error().code,
              errc::InvalidProcedureCall);
    EXPECT_EQ(form.site(u"u", nullptr, 100, 100).error().code, errc::ObjectRequired);
}

TEST(Siting, AResitedControlReportsToItsNewContainerAndNotToTheOldOne) {
    std::shared_ptr<Control> control = unsitedUppercase();
    HeadlessForm first, second;
    ASSERT_OK(first.site(u"t", control, 1200, 300));
    auto* text1 = first.container(u"t")->find<HeadlessTextBox>(u"Text1");
    ASSERT_OK(second.site(u"t", control, 1200, 300));
    // Its constituents stayed where they were made; none was made twice.
    EXPECT_TRUE(second.container(u"t")->constituents().empty());

    auto& box = static_cast<TextoEmMaiusculo&>(*control);
    first.container(u"t")->notices.clear();
    ASSERT_OK(box.setText(u"moved"));
    EXPECT_EQ(text1->text(), u"moved");
    EXPECT_EQ(second.container(u"t")->notices, std::vector<std::u16string>{u"Text"});
    EXPECT_TRUE(first.container(u"t")->notices.empty());

    // The old container's closing is not the new one's: the control stays sited.
    first.close(u"t");
    EXPECT_TRUE(box.isSited());
    EXPECT_EQ(box.Text().error().code, errc::ObjectDisconnected);
}

// A control that notes what its site answered when it heard of the closing.
class Closer final : public Control {
public:
    static const ControlClass Class;
    static ErrorOr<std::unique_ptr<Closer>> create(Site s) { return createControl<Closer>(s); }
    int notices = 0;
    bool siteAnswered = false;
    ErrorOr<std::int32_t> hWnd() { return container().hWnd(); }

private:
    template <typename C> friend ErrorOr<std::unique_ptr<C>> tessivra::createControl(Site);
    explicit Closer(Site s) : Control(s, Class) {}
    void UserControl_Terminate() override {
        ++notices;
        siteAnswered = !container().hWnd().isError();
    }
};
const ControlClass Closer::Class{u"Closer", {}, {}, {}, 500, 500};

TEST(Teardown, TheControlHearsOnceWhileItsSiteStillAnswersThenLetsGoOfIt) {
    HeadlessForm form;
    auto* closer = form.add<Closer>(u"c").value();
    ASSERT_OK(closer->hWnd());
    form.close(u"c");
    EXPECT_EQ(closer->notices, 1);
    EXPECT_TRUE(closer->siteAnswered);
    EXPECT_FALSE(closer->isSited());
    EXPECT_EQ(closer->hWnd().error().code, errc::ClientSiteNotAvailable);
    form.close(u"c"); // a second notice finds nothing to let go of
    EXPECT_EQ(closer->notices, 1);
}

TEST(Teardown, TheFormGoingAwayTellsEveryControl) {
    std::shared_ptr<Closer> a(Closer::create(unsitedSite()).releaseValue());
    std::shared_ptr<Closer> b(Closer::create(unsitedSite()).releaseValue());
    {
        HeadlessForm form;
        ASSERT_OK(form.site(u"a", a, 500, 500));
        ASSERT_OK(form.site(u"b", b, 500, 500));
    }
    EXPECT_EQ(a->notices, 1);
    EXPECT_EQ(b->notices, 1);
    EXPECT_TRUE(a->siteAnswered && b->siteAnswered);
}

TEST(Teardown, AControlSitedAgainAfterItsContainerClosedMakesItsConstituentsAnew) {
    std::shared_ptr<Control> control = unsitedUppercase();
    HeadlessForm first, second;
    ASSERT_OK(first.site(u"t", control, 1200, 300));
    first.close(u"t");
    ASSERT_OK(second.site(u"t", control, 1200, 300));
    ASSERT_NE(second.container(u"t")->find<HeadlessTextBox>(u"Text1"), nullptr);
    ASSERT_OK(second.type(u"t", u"x"));
    EXPECT_EQ(static_cast<TextoEmMaiusculo&>(*control).Text().value(), u"X");
}

// ---- the library's counts --------------------------------------------------------------------

TEST(ModuleCounts, InstancesAndLocksCountedFromManyThreadsComeBackToZero) {
    ControlClassTable table{shippedClasses()};
    const ControlClassInfo& info = *findByProgId(shippedClasses(), "Tessivra.TextoEmMaiusculo");
    constexpr int kThreads = 4, kRounds = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                table.lockServer(true);
                auto made = table.create(info); // unsited: no host is touched
                ASSERT_FALSE(made.isError());
                EXPECT_FALSE(made.value()->isSited());
                made.value().reset();
                table.lockServer(false);
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(table.liveInstances(), 0u);
    EXPECT_TRUE(table.canUnload());
    table.lockServer(true);
    EXPECT_FALSE(table.canUnload());
}

} // namespace
} // namespace tessivra::testing
