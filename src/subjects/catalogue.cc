#include "subjects/catalogue.h"

#include <algorithm>
#include <unordered_map>

#include "platform/codepage.h"
#include "platform/text.h"

namespace tessary::subjects {
namespace {

// clang-format off
constexpr std::array<SubjectInfo, kSubjectCount> kSubjects = {{
    {"Activity", "ACTIVITY", "Action, Deeds and Energy", 1},
    {"Anger", "ANGER", "Fury, Hatred, Malice, Rage and Wrath", 1},
    {"Beauty", "BEAUTY", "Form and Grace", 1},
    {"Change", "CHANGE", "Cycles and Mutability", 1},
    {"Character", "CHARACTER", "Dignity, Ethics, Honor, Integrity and Reputation", 1},
    {"Courage", "COURAGE", "Bravery, Daring, Heroism and Valor", 1},
    {"Covetousness", "COVETOUSNESS", "Envy, Greed, Jealousy, Lust and Selfishness", 1},
    {"Creation", "CREATION", "Nature, Fertility and Art", 1},
    {"Cunning", "CUNNING", "Deceit, Dishonesty, Lying, Treachery, Treason --> Disgrace and Shame", 1},
    {"Danger", "DANGER", "Enemies, Jeopardy, Risk and Peril", 1},
    {"Death", "DEATH", "Dying and Mortality", 1},
    {"Decrease", "DECREASE", "Aging, Autumn, Decay, Decline and Twilight", 1},
    {"Doubt", "DOUBT", "Despair, Pessimism and Suspicion", 1},
    {"Enthusiasm", "ENTHUSIASM", "Ambition, Initiative and Zeal", 1},
    {"Evil", "EVIL", "Cruelty, Sin, Vice and Wickedness", 1},
    {"Failure", "FAILURE", "Defeat and Error", 1},
    {"Fame", "FAME", "Glory and Illusion", 1},
    {"Family", "FAMILY", "Ancestry, Children, Fathers, Motherhood and Parents", 1},
    {"Fate", "FATE", "Chance, Destiny, Fortune and Luck", 1},
    {"Fear", "FEAR", "Anxiety, Dread, Horror, Panic, Terror and Worry", 1},
    {"Folly", "FOLLY", "Fools, Ignorance and Nonsense", 1},
    {"Freedom", "FREEDOM", "Democracy, Independence and Liberty", 1},
    {"Friendship", "FRIENDSHIP", "Friends", 1},
    {"Genius", "GENIUS", "Creativity, Imagination, Invention, Originality and Talent", 1},
    {"Goodness", "GOODNESS", "Charity, Kindness and Mercy", 1},
    {"Growth", "GROWTH", "Evolution, Gain, Increase, Morning, Progress, Spring and Youth", 1},
    {"Happiness", "HAPPINESS", "Contentment and Joy", 1},
    {"Health", "HEALTH", "Moderation, Safety and Temperance", 2},
    {"Hope", "HOPE", "Belief, Confidence, Faith and Optimism", 2},
    {"Humility", "HUMILITY", "Humbleness, Modesty and Sacrifice", 2},
    {"Inertia", "INERTIA", "Boredom, Idleness, Indolence, Laziness, Procrastination and Sloth", 2},
    {"Judgment", "JUDGMENT", "Decision, Fire, Heaven and Hell", 2},
    {"Justice", "JUSTICE", "Equality and Rights", 2},
    {"Learning", "LEARNING", "Education, Experience, Study and Teaching", 2},
    {"Life", "LIFE", "Being and Manifestation", 2},
    {"Love", "LOVE", "Courtship, Heart and Romance", 2},
    {"Marriage", "MARRIAGE", "Union and Unity", 2},
    {"Meditation", "MEDITATION", "Contemplation, Reflection, Self-Examination and Solitude", 2},
    {"Mirth", "MIRTH", "Humor, Jesting, Laughter, Merriment and Smiles", 2},
    {"Non-Being", "NON-BEING", "Darkness, Emptiness, Nothingness, Silence and Space", 2},
    {"Opposition", "OPPOSITION", "Adversity, Difficulty, Obstacles, Trials and Trouble", 2},
    {"Pain", "PAIN", "Misery and Suffering", 2},
    {"Patience", "PATIENCE", "Endurance, Forbearance and Waiting", 2},
    {"Peace", "PEACE", "Calmness, Harmony, Serenity and Tranquility", 2},
    {"Perfection", "PERFECTION", "Completion and Excellence", 2},
    {"Perseverance", "PERSEVERANCE", "Constancy, Diligence, Persistence and Tenacity", 2},
    {"Pleasure", "PLEASURE", "Delight, Enjoyment, Luxury and Novelty", 2},
    {"Power", "POWER", "Authority, Command, Dominion, Force and Government", 2},
    {"Pride", "PRIDE", "Arrogance, Boasting, Egotism, Vanity and Self-Love", 2},
    {"Prudence", "PRUDENCE", "Caution, Discretion, Economy and Vigilance", 2},
    {"Realization", "REALIZATION", "--Thought Becoming Reality--", 2},
    {"Restriction", "RESTRICTION", "Discipline, Law, Order and Rules", 2},
    {"Ruin", "RUIN", "Calamity, Disaster, Loss and Poverty", 2},
    {"Science", "SCIENCE", "Cause and Effect, Logic, Observation and Reason", 2},
    {"Separation", "SEPARATION", "Absence, Distance, Farewell and Parting", 3},
    {"Sickness", "SICKNESS", "Disease, Excess, Madness, Medicine and Physicians", 3},
    {"Sleep", "SLEEP", "Dreams, Repose, Rest and Unconsciousness", 3},
    {"Sorrow", "SORROW", "Grief, Melancholy, Sadness and Tears", 3},
    {"Soul", "SOUL", "Spirit and Immortality", 3},
    {"Sound", "SOUND", "Music, Speech and Voice - Eloquence and Song", 3},
    {"Strife", "STRIFE", "Argument, Conflict, Discord, Dispute, Quarrel and Rivalry", 3},
    {"Success", "SUCCESS", "Greatness, Triumph and Victory", 3},
    {"Taste", "TASTE", "Appreciation, Culture, Refinement, Subtlety and Style", 3},
    {"The Eternal", "THE ETERNAL", "God and Creator", 3},
    {"Thought", "THOUGHT", "Consciousness, Intelligence, Memory and Mind", 3},
    {"Time", "TIME", "Duration, Eternity, Past, Present and Future", 3},
    {"Travel", "TRAVEL", "Journey, Path, Wanderlust and Way", 3},
    {"Truth", "TRUTH", "Honesty and Sincerity", 3},
    {"Understanding", "UNDERSTANDING", "Instinct, Intuition, Knowledge and Receptive", 3},
    {"Vengeance", "VENGEANCE", "Punishment and Revenge", 3},
    {"Virtue", "VIRTUE", "Innocence and Purity", 3},
    {"Vision", "VISION", "Discernment, Perception, Prophesy and Sight", 3},
    {"War", "WAR", "Destruction and Violence", 3},
    {"Weakness", "WEAKNESS", "Cowardice, Servility and Temptation", 3},
    {"Wealth", "WEALTH", "Gold, Money, Possessions and Riches", 3},
    {"Will", "WILL", "Determination, Resolution, Self-Control and Strength", 3},
    {"Tessary", "TESSARY", "Enlightenment, Metaphysics, Philosophy and Wonder", 3},
    {"Words", "WORDS", "Language, Names and Writing - Books, Literature and Poetry", 3},
    {"Work", "WORK", "Labor and Profession", 3},
    {"World", "WORLD", "Earth, Foundation, Order, Plans and Universe", 3},
    {"Worship", "WORSHIP", "Prayer, Religion and Symbolism", 3},
}};

constexpr std::array<SubtitleInfo, kSubtitleCount> kSubtitles = {{
    {"Action", "ACTIVITY"},
    {"Activity", "ACTIVITY"},
    {"Deeds", "ACTIVITY"},
    {"Energy", "ACTIVITY"},
    {"Anger", "ANGER"},
    {"Fury", "ANGER"},
    {"Hatred", "ANGER"},
    {"Malice", "ANGER"},
    {"Rage", "ANGER"},
    {"Wrath", "ANGER"},
    {"Beauty", "BEAUTY"},
    {"Grace", "BEAUTY"},
    {"Change", "CHANGE"},
    {"Cycles", "CHANGE"},
    {"Mutability", "CHANGE"},
    {"Character", "CHARACTER"},
    {"Dignity", "CHARACTER"},
    {"Ethics", "CHARACTER"},
    {"Honor", "CHARACTER"},
    {"Integrity", "CHARACTER"},
    {"Reputation", "CHARACTER"},
    {"Bravery", "COURAGE"},
    {"Courage", "COURAGE"},
    {"Daring", "COURAGE"},
    {"Heroism", "COURAGE"},
    {"Valor", "COURAGE"},
    {"Covetousness", "COVETOUSNESS"},
    {"Envy", "COVETOUSNESS"},
    {"Greed", "COVETOUSNESS"},
    {"Jealousy", "COVETOUSNESS"},
    {"Lust", "COVETOUSNESS"},
    {"Selfishness", "COVETOUSNESS"},
    {"Art", "CREATION"},
    {"Creation", "CREATION"},
    {"Nature", "CREATION"},
    {"Cunning", "CUNNING"},
    {"Deceit", "CUNNING"},
    {"Disgrace", "CUNNING"},
    {"Dishonesty", "CUNNING"},
    {"Lying", "CUNNING"},
    {"Shame", "CUNNING"},
    {"Treachery", "CUNNING"},
    {"Treason", "CUNNING"},
    {"Danger", "DANGER"},
    {"Enemies", "DANGER"},
    {"Jeopardy", "DANGER"},
    {"Peril", "DANGER"},
    {"Risk", "DANGER"},
    {"Death", "DEATH"},
    {"Dying", "DEATH"},
    {"Mortality", "DEATH"},
    {"Aging", "DECREASE"},
    {"Autumn", "DECREASE"},
    {"Decay", "DECREASE"},
    {"Decline", "DECREASE"},
    {"Decrease", "DECREASE"},
    {"Twilight", "DECREASE"},
    {"Despair", "DOUBT"},
    {"Doubt", "DOUBT"},
    {"Pessimism", "DOUBT"},
    {"Suspicion", "DOUBT"},
    {"Ambition", "ENTHUSIASM"},
    {"Enthusiasm", "ENTHUSIASM"},
    {"Initiative", "ENTHUSIASM"},
    {"Zeal", "ENTHUSIASM"},
    {"Cruelty", "EVIL"},
    {"Evil", "EVIL"},
    {"Sin", "EVIL"},
    {"Vice", "EVIL"},
    {"Wickedness", "EVIL"},
    {"Defeat", "FAILURE"},
    {"Error", "FAILURE"},
    {"Glory", "FAME"},
    {"Illusion", "FAME"},
    {"Ancestry", "FAMILY"},
    {"Children", "FAMILY"},
    {"Motherhood", "FAMILY"},
    {"Parents", "FAMILY"},
    {"Chance", "FATE"},
    {"Destiny", "FATE"},
    {"Fortune", "FATE"},
    {"Luck", "FATE"},
    {"Anxiety", "FEAR"},
    {"Dread", "FEAR"},
    {"Horror", "FEAR"},
    {"Panic", "FEAR"},
    {"Terror", "FEAR"},
    {"Worry", "FEAR"},
    {"Ignorance", "FOLLY"},
    {"Nonsense", "FOLLY"},
    {"Democracy", "FREEDOM"},
    {"Freedom", "FREEDOM"},
    {"Independence", "FREEDOM"},
    {"Liberty", "FREEDOM"},
    {"Friends", "FRIENDSHIP"},
    {"Friendship", "FRIENDSHIP"},
    {"Creativity", "GENIUS"},
    {"Genius", "GENIUS"},
    {"Imagination", "GENIUS"},
    {"Invention", "GENIUS"},
    {"Originality", "GENIUS"},
    {"Talent", "GENIUS"},
    {"Charity", "GOODNESS"},
    {"Goodness", "GOODNESS"},
    {"Kindness", "GOODNESS"},
    {"Mercy", "GOODNESS"},
    {"Evolution", "GROWTH"},
    {"Gain", "GROWTH"},
    {"Growth", "GROWTH"},
    {"Increase", "GROWTH"},
    {"Morning", "GROWTH"},
    {"Progress", "GROWTH"},
    {"Spring", "GROWTH"},
    {"Youth", "GROWTH"},
    {"Contentment", "HAPPINESS"},
    {"Happiness", "HAPPINESS"},
    {"Joy", "HAPPINESS"},
    {"Health", "HEALTH"},
    {"Moderation", "HEALTH"},
    {"Safety", "HEALTH"},
    {"Temperance", "HEALTH"},
    {"Belief", "HOPE"},
    {"Confidence", "HOPE"},
    {"Hope", "HOPE"},
    {"Optimism", "HOPE"},
    {"Humbleness", "HUMILITY"},
    {"Humility", "HUMILITY"},
    {"Modesty", "HUMILITY"},
    {"Sacrifice", "HUMILITY"},
    {"Boredom", "INERTIA"},
    {"Idleness", "INERTIA"},
    {"Indolence", "INERTIA"},
    {"Inertia", "INERTIA"},
    {"Laziness", "INERTIA"},
    {"Procrastination", "INERTIA"},
    {"Sloth", "INERTIA"},
    {"Stagnation", "INERTIA"},
    {"Decision", "JUDGMENT"},
    {"Heaven", "JUDGMENT"},
    {"Hell", "JUDGMENT"},
    {"Judgment", "JUDGMENT"},
    {"Equality", "JUSTICE"},
    {"Justice", "JUSTICE"},
    {"Rights", "JUSTICE"},
    {"Education", "LEARNING"},
    {"Experience", "LEARNING"},
    {"Learning", "LEARNING"},
    {"Study", "LEARNING"},
    {"Teaching", "LEARNING"},
    {"Being", "LIFE"},
    {"Life", "LIFE"},
    {"Manifestation", "LIFE"},
    {"Courtship", "LOVE"},
    {"Heart", "LOVE"},
    {"Love", "LOVE"},
    {"Romance", "LOVE"},
    {"Marriage", "MARRIAGE"},
    {"Union", "MARRIAGE"},
    {"Unity", "MARRIAGE"},
    {"Contemplation", "MEDITATION"},
    {"Mediation", "MEDITATION"},
    {"Reflection", "MEDITATION"},
    {"Self-Examination", "MEDITATION"},
    {"Solitude", "MEDITATION"},
    {"Humor", "MIRTH"},
    {"Jesting", "MIRTH"},
    {"Laughter", "MIRTH"},
    {"Merriment", "MIRTH"},
    {"Mirth", "MIRTH"},
    {"Smiles", "MIRTH"},
    {"Darkness", "NON-BEING"},
    {"Emptiness", "NON-BEING"},
    {"Non-Being", "NON-BEING"},
    {"Nothingness", "NON-BEING"},
    {"Silence", "NON-BEING"},
    {"Space", "NON-BEING"},
    {"Adversity", "OPPOSITION"},
    {"Difficulty", "OPPOSITION"},
    {"Obstacles", "OPPOSITION"},
    {"Opposition", "OPPOSITION"},
    {"Trials", "OPPOSITION"},
    {"Trouble", "OPPOSITION"},
    {"Misery", "PAIN"},
    {"Pain", "PAIN"},
    {"Suffering", "PAIN"},
    {"Endurance", "PATIENCE"},
    {"Patience", "PATIENCE"},
    {"Waiting", "PATIENCE"},
    {"Calmness", "PEACE"},
    {"Harmony", "PEACE"},
    {"Peace", "PEACE"},
    {"Serenity", "PEACE"},
    {"Tranquility", "PEACE"},
    {"Completion", "PERFECTION"},
    {"Excellence", "PERFECTION"},
    {"Perfection", "PERFECTION"},
    {"Constancy", "PERSEVERANCE"},
    {"Diligence", "PERSEVERANCE"},
    {"Perseverance", "PERSEVERANCE"},
    {"Persistence", "PERSEVERANCE"},
    {"Tenacity", "PERSEVERANCE"},
    {"Enjoyment", "PLEASURE"},
    {"Luxury", "PLEASURE"},
    {"Novelty", "PLEASURE"},
    {"Pleasure", "PLEASURE"},
    {"Authority", "POWER"},
    {"Command", "POWER"},
    {"Dominion", "POWER"},
    {"Government", "POWER"},
    {"Power", "POWER"},
    {"Arrogance", "PRIDE"},
    {"Boasting", "PRIDE"},
    {"Egotism", "PRIDE"},
    {"Pride", "PRIDE"},
    {"Self-Love", "PRIDE"},
    {"Vanity", "PRIDE"},
    {"Caution", "PRUDENCE"},
    {"Discretion", "PRUDENCE"},
    {"Economy", "PRUDENCE"},
    {"Prudence", "PRUDENCE"},
    {"Vigilance", "PRUDENCE"},
    {"Becoming", "REALIZATION"},
    {"Realization", "REALIZATION"},
    {"Discipline", "RESTRICTION"},
    {"Law", "RESTRICTION"},
    {"Order", "RESTRICTION"},
    {"Restriction", "RESTRICTION"},
    {"Rules", "RESTRICTION"},
    {"Calamity", "RUIN"},
    {"Disaster", "RUIN"},
    {"Loss", "RUIN"},
    {"Poverty", "RUIN"},
    {"Ruin", "RUIN"},
    {"Cause & Effect", "SCIENCE"},
    {"Logic", "SCIENCE"},
    {"Observation", "SCIENCE"},
    {"Reason", "SCIENCE"},
    {"Science", "SCIENCE"},
    {"Absence", "SEPARATION"},
    {"Distance", "SEPARATION"},
    {"Parting", "SEPARATION"},
    {"Separation", "SEPARATION"},
    {"Disease", "SICKNESS"},
    {"Excess", "SICKNESS"},
    {"Madness", "SICKNESS"},
    {"Medicine", "SICKNESS"},
    {"Physicians", "SICKNESS"},
    {"Sickness", "SICKNESS"},
    {"Dreams", "SLEEP"},
    {"Repose", "SLEEP"},
    {"Rest", "SLEEP"},
    {"Sleep", "SLEEP"},
    {"Unconsciousness", "SLEEP"},
    {"Grief", "SORROW"},
    {"Melancholy", "SORROW"},
    {"Sadness", "SORROW"},
    {"Sorrow", "SORROW"},
    {"Tears", "SORROW"},
    {"Immortality", "SOUL"},
    {"Soul", "SOUL"},
    {"Spirit", "SOUL"},
    {"Eloquence", "SOUND"},
    {"Music", "SOUND"},
    {"Song", "SOUND"},
    {"Sound", "SOUND"},
    {"Speech", "SOUND"},
    {"Voice", "SOUND"},
    {"Argument", "STRIFE"},
    {"Conflict", "STRIFE"},
    {"Discord", "STRIFE"},
    {"Dispute", "STRIFE"},
    {"Quarrel", "STRIFE"},
    {"Rivalry", "STRIFE"},
    {"Strife", "STRIFE"},
    {"Greatness", "SUCCESS"},
    {"Success", "SUCCESS"},
    {"Triumph", "SUCCESS"},
    {"Victory", "SUCCESS"},
    {"Appreciation", "TASTE"},
    {"Culture", "TASTE"},
    {"Refinement", "TASTE"},
    {"Style", "TASTE"},
    {"Subtlety", "TASTE"},
    {"Taste", "TASTE"},
    {"Enlightenment", "TESSARY"},
    {"Metaphysics", "TESSARY"},
    {"Philosophy", "TESSARY"},
    {"Tessary", "TESSARY"},
    {"Wonder", "TESSARY"},
    {"Creator", "THE ETERNAL"},
    {"God", "THE ETERNAL"},
    {"The Eternal", "THE ETERNAL"},
    {"Consciousness", "THOUGHT"},
    {"Intelligence", "THOUGHT"},
    {"Memory", "THOUGHT"},
    {"Mind", "THOUGHT"},
    {"Thought", "THOUGHT"},
    {"Duration", "TIME"},
    {"Eternity", "TIME"},
    {"Future", "TIME"},
    {"Past", "TIME"},
    {"Present", "TIME"},
    {"Time", "TIME"},
    {"Journey", "TRAVEL"},
    {"Path", "TRAVEL"},
    {"Travel", "TRAVEL"},
    {"Wanderlust", "TRAVEL"},
    {"Way", "TRAVEL"},
    {"Honesty", "TRUTH"},
    {"Sincerity", "TRUTH"},
    {"Truth", "TRUTH"},
    {"Instinct", "UNDERSTANDING"},
    {"Intuition", "UNDERSTANDING"},
    {"Knowledge", "UNDERSTANDING"},
    {"Receptive", "UNDERSTANDING"},
    {"Punishment", "VENGEANCE"},
    {"Revenge", "VENGEANCE"},
    {"Vengeance", "VENGEANCE"},
    {"Innocence", "VIRTUE"},
    {"Purity", "VIRTUE"},
    {"Virtue", "VIRTUE"},
    {"Discernment", "VISION"},
    {"Perception", "VISION"},
    {"Prophesy", "VISION"},
    {"Sight", "VISION"},
    {"Vision", "VISION"},
    {"Destruction", "WAR"},
    {"Violence", "WAR"},
    {"War", "WAR"},
    {"Cowardice", "WEAKNESS"},
    {"Servility", "WEAKNESS"},
    {"Temptation", "WEAKNESS"},
    {"Weakness", "WEAKNESS"},
    {"Gold", "WEALTH"},
    {"Money", "WEALTH"},
    {"Possessions", "WEALTH"},
    {"Riches", "WEALTH"},
    {"Wealth", "WEALTH"},
    {"Determination", "WILL"},
    {"Resolution", "WILL"},
    {"Self-Control", "WILL"},
    {"Strength", "WILL"},
    {"Will", "WILL"},
    {"Books", "WORDS"},
    {"Language", "WORDS"},
    {"Names", "WORDS"},
    {"Poetry", "WORDS"},
    {"Words", "WORDS"},
    {"Writing", "WORDS"},
    {"Labor", "WORK"},
    {"Profession", "WORK"},
    {"Work", "WORK"},
    {"Earth", "WORLD"},
    {"Foundation", "WORLD"},
    {"Order", "WORLD"},
    {"Plans", "WORLD"},
    {"Universe", "WORLD"},
    {"World", "WORLD"},
    {"Prayer", "WORSHIP"},
    {"Religion", "WORSHIP"},
    {"Symbolism", "WORSHIP"},
    {"Worship", "WORSHIP"},
}};
// clang-format on

constexpr std::array<std::string_view, kMenuCount> kMenuCaptions = {
    "Subject Menu 1 of 3:  Activity to Happiness",
    "Subject Menu 2 of 3:  Health to Science",
    "Subject Menu 3 of 3:  Separation to Worship",
};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (platform::UpperAnsi(static_cast<unsigned char>(a[i])) !=
        platform::UpperAnsi(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

const std::array<SubjectInfo, kSubjectCount>& Subjects() { return kSubjects; }

const std::array<SubtitleInfo, kSubtitleCount>& Subtitles() { return kSubtitles; }

std::string_view MenuCaption(int menu) {
  if (menu < 1 || menu > kMenuCount) return {};
  return kMenuCaptions[menu - 1];
}

std::vector<const SubjectInfo*> MenuSubjects(int menu) {
  std::vector<const SubjectInfo*> result;
  for (const SubjectInfo& subject : kSubjects) {
    if (subject.menu == menu) result.push_back(&subject);
  }
  return result;
}

const SubjectInfo* FindSubject(std::string_view word) {
  for (const SubjectInfo& subject : kSubjects) {
    if (SameIgnoringCase(subject.word, word)) return &subject;
  }
  return nullptr;
}

std::string_view Description(std::string_view word) {
  const SubjectInfo* subject = FindSubject(word);
  return subject ? subject->description : std::string_view();
}

std::vector<std::string_view> SubjectsOfSubtitle(std::string_view subtitle) {
  std::vector<std::string_view> result;
  for (const SubtitleInfo& entry : kSubtitles) {
    if (SameIgnoringCase(entry.subtitle, subtitle)) result.push_back(entry.subject);
  }
  return result;
}

std::vector<const SubtitleInfo*> SubtitlesOfSubject(std::string_view word) {
  std::vector<const SubtitleInfo*> result;
  for (const SubtitleInfo& entry : kSubtitles) {
    if (SameIgnoringCase(entry.subject, word)) result.push_back(&entry);
  }
  return result;
}

const SubtitleInfo* FindSubtitle(std::string_view subtitle) {
  // Word scans of imported text look up every word, so this one is indexed.
  static const std::unordered_map<std::string, const SubtitleInfo*> index = [] {
    std::unordered_map<std::string, const SubtitleInfo*> map;
    for (const SubtitleInfo& entry : kSubtitles) {
      map.emplace(platform::UpperAnsi(entry.subtitle), &entry);  // keeps the first
    }
    return map;
  }();
  auto it = index.find(platform::UpperAnsi(subtitle));
  return it == index.end() ? nullptr : it->second;
}

std::optional<CatalogueMatch> LookUpWord(std::string_view word) {
  const SubjectInfo* subject = FindSubject(word);
  const SubtitleInfo* subtitle = FindSubtitle(word);
  if (!subject && !subtitle) return std::nullopt;
  CatalogueMatch match;
  match.subject = std::string(subject ? subject->word : subtitle->subject);
  if (subtitle) match.subtitle = platform::UpperAnsi(subtitle->subtitle);
  return match;
}

std::string SubtitleListItem(const SubtitleInfo& subtitle) {
  const SubjectInfo* subject = FindSubject(subtitle.subject);
  std::string_view name = subject ? subject->name : subtitle.subject;
  std::string item = platform::Pad(subtitle.subtitle, kSubtitleItemWidth - name.size());
  item += name;
  // A group occupies columns col..col+2 and needs a blank on either side.
  const size_t subject_start = item.size() - name.size();
  size_t col = std::max<size_t>(8, (subtitle.subtitle.size() + 1 + 3) / 4 * 4);
  for (; col + 4 <= subject_start; col += 4) item.replace(col, 3, "...");
  return item;
}

std::vector<std::string> SubtitleListItems() {
  std::vector<std::string> items;
  items.reserve(kSubtitleCount);
  for (const SubtitleInfo& entry : kSubtitles) items.push_back(SubtitleListItem(entry));
  std::stable_sort(items.begin(), items.end(), [](const std::string& a, const std::string& b) {
    return platform::UpperAnsi(a) < platform::UpperAnsi(b);
  });
  return items;
}

std::string SubjectOfListItem(std::string_view item) {
  size_t leader = item.rfind("...");
  if (leader == std::string_view::npos) return {};
  return platform::Trim(item.substr(leader + 3));
}

}  // namespace tessary::subjects
