#include "Models/Species.h"

#include <QHash>

// The catalog content. Texts are exactly as shown to users; the dashes in tips are em dashes.
const QList<Species> &Species::catalog()
{
    static const QList<Species> entries = {
        {QStringLiteral("monstera"), QStringLiteral("Monstera"), QStringLiteral("Monstera deliciosa"), LightLevel::bright, 8, 30, 4, QStringLiteral("High"),
         Difficulty::easy, false, 0.36,
         QStringLiteral("A climbing aroid famous for its split, glossy leaves. Grows fast with bright, filtered light."),
         {QStringLiteral("Let the top third of the soil dry out between waterings."),
          QStringLiteral("Give it a moss pole so aerial roots have something to climb."),
          QStringLiteral("Wipe leaves monthly so they can photosynthesize efficiently.")}},
        {QStringLiteral("pothos"), QStringLiteral("Golden Pothos"), QStringLiteral("Epipremnum aureum"), LightLevel::medium, 7, 30, 0, QStringLiteral("Average"),
         Difficulty::easy, false, 0.22,
         QStringLiteral("A forgiving trailing vine that tolerates lower light and occasional neglect."),
         {QStringLiteral("Droopy leaves usually mean it's thirsty."),
          QStringLiteral("Pinch back long vines to keep it bushy."),
          QStringLiteral("Cuttings root easily in a glass of water.")}},
        {QStringLiteral("snake"), QStringLiteral("Snake Plant"), QStringLiteral("Dracaena trifasciata"), LightLevel::low, 18, 60, 0, QStringLiteral("Low"),
         Difficulty::easy, false, 0.28,
         QStringLiteral("Upright, architectural leaves that store water. Ideal for beginners and dim corners."),
         {QStringLiteral("Overwatering is the main risk \u2014 let soil dry completely."),
          QStringLiteral("Water even less in winter."),
          QStringLiteral("Use a gritty, fast-draining cactus mix.")}},
        {QStringLiteral("zz"), QStringLiteral("ZZ Plant"), QStringLiteral("Zamioculcas zamiifolia"), LightLevel::low, 16, 60, 0, QStringLiteral("Low"),
         Difficulty::easy, false, 0.4,
         QStringLiteral("Waxy leaves and water-storing rhizomes make it nearly indestructible."),
         {QStringLiteral("Yellowing stems signal too much water."),
          QStringLiteral("Tolerates fluorescent office lighting."),
          QStringLiteral("Repot only when rhizomes crowd the pot.")}},
        {QStringLiteral("fiddle"), QStringLiteral("Fiddle Leaf Fig"), QStringLiteral("Ficus lyrata"), LightLevel::bright, 9, 30, 0, QStringLiteral("Average"),
         Difficulty::expert, false, 0.31,
         QStringLiteral("Large violin-shaped leaves on a tree form. Loves consistency and dislikes being moved."),
         {QStringLiteral("Keep it in the same spot \u2014 moves can trigger leaf drop."),
          QStringLiteral("Rotate a quarter turn monthly for even growth."),
          QStringLiteral("Brown spots often mean inconsistent watering.")}},
        {QStringLiteral("peacelily"), QStringLiteral("Peace Lily"), QStringLiteral("Spathiphyllum wallisii"), LightLevel::medium, 6, 45, 3, QStringLiteral("High"),
         Difficulty::easy, false, 0.42,
         QStringLiteral("Dark leaves and white spathes. It dramatically droops when thirsty and recovers fast."),
         {QStringLiteral("Water when leaves start to droop slightly."),
          QStringLiteral("Use filtered water if leaf tips turn brown."),
          QStringLiteral("More light encourages more blooms.")}},
        {QStringLiteral("spider"), QStringLiteral("Spider Plant"), QStringLiteral("Chlorophytum comosum"), LightLevel::medium, 7, 30, 0, QStringLiteral("Average"),
         Difficulty::easy, true, 0.25,
         QStringLiteral("Arching striped leaves and dangling plantlets. A classic, pet-friendly hanging plant."),
         {QStringLiteral("Pot up the baby plantlets to propagate."),
          QStringLiteral("Brown tips can come from fluoride in tap water."),
          QStringLiteral("Great in hanging baskets.")}},
        {QStringLiteral("calathea"), QStringLiteral("Calathea Orbifolia"), QStringLiteral("Goeppertia orbifolia"), LightLevel::medium, 5, 30, 2, QStringLiteral("High"),
         Difficulty::expert, true, 0.45,
         QStringLiteral("Broad silver-striped leaves that fold up at night. Craves humidity and even moisture."),
         {QStringLiteral("Keep soil lightly moist but never soggy."),
          QStringLiteral("Group with other plants or use a humidifier."),
          QStringLiteral("Curling leaves mean it needs more water or humidity.")}},
        {QStringLiteral("aloe"), QStringLiteral("Aloe Vera"), QStringLiteral("Aloe barbadensis"), LightLevel::direct, 18, 90, 0, QStringLiteral("Low"),
         Difficulty::easy, false, 0.3,
         QStringLiteral("A sun-loving succulent with thick, gel-filled leaves."),
         {QStringLiteral("Soak thoroughly, then let it dry out completely."),
          QStringLiteral("Use a terracotta pot to wick away moisture."),
          QStringLiteral("Pale, stretched leaves mean it wants more sun.")}},
        {QStringLiteral("rubber"), QStringLiteral("Rubber Plant"), QStringLiteral("Ficus elastica"), LightLevel::bright, 9, 30, 0, QStringLiteral("Average"),
         Difficulty::moderate, false, 0.34,
         QStringLiteral("Thick, glossy leaves in green or burgundy. Grows into a striking indoor tree."),
         {QStringLiteral("Dust leaves so they stay shiny."),
          QStringLiteral("Prune the top to encourage branching."),
          QStringLiteral("Water when the top 5 cm of soil are dry.")}},
        {QStringLiteral("pearls"), QStringLiteral("String of Pearls"), QStringLiteral("Curio rowleyanus"), LightLevel::bright, 12, 60, 0, QStringLiteral("Low"),
         Difficulty::moderate, false, 0.27,
         QStringLiteral("Cascading strands of bead-like leaves that store water."),
         {QStringLiteral("Shriveled pearls mean thirst; mushy pearls mean rot."),
          QStringLiteral("Water from below to keep the crown dry."),
          QStringLiteral("Keep in a shallow pot with gritty soil.")}},
        {QStringLiteral("fern"), QStringLiteral("Boston Fern"), QStringLiteral("Nephrolepis exaltata"), LightLevel::medium, 4, 30, 2, QStringLiteral("High"),
         Difficulty::moderate, true, 0.24,
         QStringLiteral("Lush feathery fronds. Happiest in a bright bathroom."),
         {QStringLiteral("Never let the soil dry out completely."),
          QStringLiteral("Mist often or keep on a pebble tray."),
          QStringLiteral("Trim brown fronds at the base.")}},
        {QStringLiteral("bird"), QStringLiteral("Bird of Paradise"), QStringLiteral("Strelitzia reginae"), LightLevel::direct, 7, 21, 0, QStringLiteral("Average"),
         Difficulty::moderate, false, 0.38,
         QStringLiteral("Big paddle leaves that bring a tropical feel. Needs plenty of light."),
         {QStringLiteral("Split leaves are natural and normal."),
          QStringLiteral("Give it the sunniest spot you have."),
          QStringLiteral("Feed regularly during spring and summer.")}},
        {QStringLiteral("pilea"), QStringLiteral("Chinese Money Plant"), QStringLiteral("Pilea peperomioides"), LightLevel::bright, 7, 30, 0, QStringLiteral("Average"),
         Difficulty::easy, true, 0.29,
         QStringLiteral("Round, coin-shaped leaves on long stems. Pushes up pups you can share."),
         {QStringLiteral("Rotate weekly \u2014 it leans toward the light."),
          QStringLiteral("Separate pups once they have a few leaves."),
          QStringLiteral("Curling leaves can mean too much light.")}},
        {QStringLiteral("philodendron"), QStringLiteral("Heartleaf Philodendron"), QStringLiteral("Philodendron hederaceum"), LightLevel::medium, 7, 30, 5, QStringLiteral("Average"),
         Difficulty::easy, false, 0.33,
         QStringLiteral("Heart-shaped leaves on trailing vines. Adapts to most homes."),
         {QStringLiteral("Water when the top half of the soil is dry."),
          QStringLiteral("Leggy vines want more light."),
          QStringLiteral("Easy to propagate from stem cuttings.")}},
        {QStringLiteral("jade"), QStringLiteral("Jade Plant"), QStringLiteral("Crassula ovata"), LightLevel::direct, 14, 90, 0, QStringLiteral("Low"),
         Difficulty::easy, false, 0.32,
         QStringLiteral("A long-lived succulent shrub with thick, rounded leaves."),
         {QStringLiteral("Red leaf edges mean it's getting great sun."),
          QStringLiteral("Let soil dry fully between waterings."),
          QStringLiteral("Can live for decades with minimal care.")}},
        {QStringLiteral("parlor"), QStringLiteral("Parlor Palm"), QStringLiteral("Chamaedorea elegans"), LightLevel::low, 7, 45, 4, QStringLiteral("Average"),
         Difficulty::easy, true, 0.37,
         QStringLiteral("A compact, graceful palm that thrives in lower light."),
         {QStringLiteral("Keep soil evenly moist in summer."),
          QStringLiteral("Avoid direct sun, which scorches fronds."),
          QStringLiteral("Brown tips usually mean dry air.")}},
        {QStringLiteral("hoya"), QStringLiteral("Wax Plant"), QStringLiteral("Hoya carnosa"), LightLevel::bright, 10, 30, 0, QStringLiteral("Average"),
         Difficulty::moderate, true, 0.26,
         QStringLiteral("Thick, waxy leaves and fragrant star-shaped flower clusters."),
         {QStringLiteral("Don't remove old flower spurs \u2014 it reblooms on them."),
          QStringLiteral("Likes to be slightly root-bound."),
          QStringLiteral("Let it dry out between waterings.")}},
    };
    return entries;
}

namespace {

// Photo credits by species id, one per catalog species. The licence belongs to the photograph
// meant for each species; author and source are filled in when that photograph is added to
// resources/Species/ (until then no picture, and so no credit line, is shown).
const QHash<QString, PhotoCredit> &photoCredits()
{
    static const QHash<QString, PhotoCredit> table = [] {
        const std::pair<QString, PhotoCredit> pairs[] = {
        {QStringLiteral("monstera"), {QString(), QStringLiteral("CC BY-SA 3.0"), QString()}},
        {QStringLiteral("pothos"), {QString(), QStringLiteral("CC BY-SA 3.0"), QString()}},
        {QStringLiteral("snake"), {QString(), QStringLiteral("CC BY-SA 3.0"), QString()}},
        {QStringLiteral("zz"), {QString(), QStringLiteral("CC BY-SA 3.0"), QString()}},
        {QStringLiteral("fiddle"), {QString(), QStringLiteral("CC BY-SA 4.0"), QString()}},
        {QStringLiteral("peacelily"), {QString(), QStringLiteral("CC BY-SA 3.0"), QString()}},
        {QStringLiteral("spider"), {QString(), QStringLiteral("Public domain"), QString()}},
        {QStringLiteral("calathea"), {QString(), QStringLiteral("CC BY-SA 4.0"), QString()}},
        {QStringLiteral("aloe"), {QString(), QStringLiteral("CC BY-SA 4.0"), QString()}},
        {QStringLiteral("rubber"), {QString(), QStringLiteral("CC BY-SA 3.0"), QString()}},
        {QStringLiteral("pearls"), {QString(), QStringLiteral("CC BY 2.0"), QString()}},
        {QStringLiteral("fern"), {QString(), QStringLiteral("CC BY 2.0"), QString()}},
        {QStringLiteral("bird"), {QString(), QStringLiteral("CC BY 4.0"), QString()}},
        {QStringLiteral("pilea"), {QString(), QStringLiteral("CC0"), QString()}},
        {QStringLiteral("philodendron"), {QString(), QStringLiteral("CC BY-SA 3.0"), QString()}},
        {QStringLiteral("jade"), {QString(), QStringLiteral("CC BY-SA 3.0"), QString()}},
        {QStringLiteral("parlor"), {QString(), QStringLiteral("CC BY-SA 3.0"), QString()}},
        {QStringLiteral("hoya"), {QString(), QStringLiteral("CC BY-SA 3.0"), QString()}},
        };
        QHash<QString, PhotoCredit> result;
        for (const auto &[id, credit] : pairs)
            result.insert(id, credit);
        return result;
    }();
    return table;
}

} // namespace

std::optional<PhotoCredit> Species::photoCredit() const
{
    const auto &table = photoCredits();
    const auto it = table.constFind(id);
    if (it == table.cend())
        return std::nullopt;
    return *it;
}
