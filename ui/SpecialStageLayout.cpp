#include "ui/SpecialStageLayout.h"

#include "engine/agents/MCPConfigWriter.h"
#include "engine/agents/SkillFolderInstaller.h"
#include "engine/config/ProductConfig.h"
#include "engine/probing/LanguageDetector.h"
#include "engine/probing/SystemProfile.h"
#include "engine/remediation/LanguageRemediations.h"
#include "engine/services/Hosts.h"
#include "engine/remediation/GitIdentityInput.h"
#include "engine/workflow/SetupFlowModel.h"
#include "ui/AppEnvironment.h"
#include "ui/SpecialStageSelections.h"
#include "ui/UiStyle.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnel {

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }



// A key typed with blanks around it is the key; one of blanks only is no key.
std::optional<QString> keyFrom(const QString& typed)
{
    const QString key = typed.trimmed();
    return key.isEmpty() ? std::nullopt : std::optional<QString>(key);
}

}  // namespace

// Everything that differs between the kinds, in one place. An empty label or
// install id is taken from the kind's own payload (grouped and cask stages).
struct SpecialStageLayout::Traits {
    Kind::Kind kind;
    const char* primaryLabel;
    const char* primaryID;
    const char* installID;
    const char* installTitle;
    bool continuesPastFailure;
    void (SpecialStageLayout::*build)(QVBoxLayout*);
    std::vector<SetupRemediation> (SpecialStageLayout::*queued)() const;
};

const SpecialStageLayout::Traits& SpecialStageLayout::traitsFor(Kind::Kind kind)
{
    using K = Kind::Kind;
    using L = SpecialStageLayout;
    static const Traits table[] = {
        {K::groupedInstall, "", "", "", "", true, &L::buildGroupedInstall, &L::stageRemediations},
        {K::caskMultiselect, "Install selected", "install-selected", "", "", true, &L::buildCasks, &L::tickedCasks},
        {K::languagesMultiselect, "Install selected languages", "install-languages", "languages",
         "Install languages", true, &L::buildLanguages, &L::tickedLanguages},
        {K::projectActions, "Install in Documents", "create-project", "project", "Set up a project", true,
         &L::buildProject, &L::stageRemediations},
        {K::skillsMultiselect, "Add selected", "add-skills", "skills", "Add SKILLS", true, &L::buildSkills,
         &L::tickedSkills},
        {K::mcpMultiselect, "Add selected", "add-mcp", "mcp", "Add MCP servers", true, &L::buildMCP, &L::tickedMCP},
        {K::gitActions, "Set up Git with GitHub", "setup-git", "git", "Set up Git with GitHub", false, &L::buildGit,
         &L::gitSteps},
    };
    for (const Traits& traits : table)
        if (traits.kind == kind)
            return traits;
    return table[0];
}

SpecialStageLayout::SpecialStageLayout(AppEnvironment& environment, SetupFlowModel& model,
                                       SpecialStageSelections& selections, const ProductConfig& config,
                                       const QString& domainID, const Kind& kind, QWidget* parent)
    : QWidget(parent), environment_(environment), model_(model), selections_(selections), config_(config),
      domainID_(domainID), kind_(kind), traits_(traitsFor(kind.kind))
{
    setObjectName(QStringLiteral("special-stage-") + domainID);
    if (config.spineProvider && model.profile() && model.probes())
        remediations_ = config.spineProvider->remediations(domainID, *model.profile(), *model.probes());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(ui::spacing::regular);
    buttons_ = new QHBoxLayout;
    buttons_->setSpacing(ui::spacing::tight);
    buttons_->addStretch();
    (this->*traits_.build)(layout);

    const QString label = *traits_.primaryLabel ? s(traits_.primaryLabel) : kind.title;
    const QString id = *traits_.primaryID ? s(traits_.primaryID) : kind.accessibilityID;
    primary_ = ui::prominentButton(label, id, this);
    primary_->setAccessibleDescription(kind.kind == Kind::Kind::gitActions
                                           ? s("Installs what Git and GitHub still need and signs you in")
                                           : s("Installs what is ticked above"));
    connect(primary_, &QPushButton::clicked, this, &SpecialStageLayout::primaryPressed);
    buttons_->addWidget(primary_);
    layout->addLayout(buttons_);
    refresh();
}

void SpecialStageLayout::refresh() { primary_->setEnabled(!(this->*traits_.queued)().empty()); }

void SpecialStageLayout::primaryPressed()
{
    if (kind_.kind == Kind::Kind::gitActions) {
        const std::optional<QString> refusal = gitRefusal();
        gitError_->setText(refusal.value_or(QString()));
        gitError_->setVisible(refusal.has_value());
        if (refusal)
            return;
    }
    std::vector<SetupRemediation> remediations = (this->*traits_.queued)();
    if (remediations.empty())
        return;
    queue(*traits_.installID ? s(traits_.installID) : kind_.installID,
          *traits_.installTitle ? s(traits_.installTitle) : kind_.title, std::move(remediations),
          traits_.continuesPastFailure);
}

void SpecialStageLayout::queue(const QString& id, const QString& title, std::vector<SetupRemediation> remediations,
                               bool continuesPastFailure)
{
    model_.offerSelected(domainID_);
    model_.setPendingInstall(SetupFlowModel::PendingInstall{id, title, std::move(remediations), continuesPastFailure});
}

SpecialStageLayout::Choice SpecialStageLayout::addChoice(QVBoxLayout* layout, const QString& id,
                                                         const QString& label, const QStringList& notes, bool present,
                                                         bool ticked, std::function<void(bool)> onToggle)
{
    auto* box = new QCheckBox(label, this);
    box->setObjectName(id);
    box->setFont(ui::bodyFont());
    box->setChecked(ticked && !present);
    box->setEnabled(!present);
    ui::describe(box, label, notes.isEmpty() ? s("Tick to include it") : notes.join(QStringLiteral(". ")));
    connect(box, &QCheckBox::toggled, this, [this, onToggle = std::move(onToggle)](bool on) {
        onToggle(on);
        refresh();
    });
    // The box and its lines stay together; choices are set apart.
    auto* group = new QVBoxLayout;
    group->setSpacing(ui::spacing::hairline);
    group->addWidget(box);
    for (const QString& line : notes) {
        QLabel* label = ui::captionLabel(line, this);
        label->setContentsMargins(ui::checkboxTextIndent(box), 0, 0, 0);
        group->addWidget(label);
    }
    layout->addLayout(group);
    return {box, group};
}

void SpecialStageLayout::addBrowseLink(QVBoxLayout* layout, const QString& text, const QString& id)
{
    layout->addWidget(ui::linkLabel(text, config_.urls.article(config_.spinePolicy.fallbackArticlePath), this, id));
}

// ---- grouped install ------------------------------------------------------------------

void SpecialStageLayout::buildGroupedInstall(QVBoxLayout*) {}

std::vector<SetupRemediation> SpecialStageLayout::stageRemediations() const { return remediations_; }

// ---- casks ---------------------------------------------------------------------------

void SpecialStageLayout::buildCasks(QVBoxLayout* layout)
{
    const auto installable = [this](const QString& id) {
        return std::any_of(remediations_.begin(), remediations_.end(),
                           [&](const SetupRemediation& r) { return r.id() == id; });
    };
    // Every installable app is ticked the first time the stage is shown, and
    // only then: an un-tick stays when the user comes back.
    if (selections_.didSeedCasks.insert(domainID_).second)
        for (const auto& item : kind_.items)
            if (installable(item.remediationID))
                selections_.casks.insert(item.remediationID);

    for (const auto& item : kind_.items) {
        const bool present = !installable(item.remediationID);
        const QString id = item.remediationID;
        addChoice(layout, present ? item.accessibilityID + QStringLiteral("-installed") : item.accessibilityID,
                  item.label, present ? QStringList{s("Already installed")} : QStringList{}, present,
                  selections_.casks.count(id) > 0, [this, id](bool on) {
                      if (on)
                          selections_.casks.insert(id);
                      else
                          selections_.casks.erase(id);
                  });
    }
}

std::vector<SetupRemediation> SpecialStageLayout::tickedCasks() const
{
    std::vector<SetupRemediation> ticked;
    for (const SetupRemediation& r : remediations_)
        if (selections_.casks.count(r.id()) &&
            std::any_of(kind_.items.begin(), kind_.items.end(),
                        [&](const auto& item) { return item.remediationID == r.id(); }))
            ticked.push_back(r);
    return ticked;
}

// ---- languages -----------------------------------------------------------------------

void SpecialStageLayout::buildLanguages(QVBoxLayout* layout)
{
    const LanguageDetector detector(*environment_.services().fs);
    for (VarnelLanguage language : VarnelLanguage::allCases()) {
        auto* box = new QCheckBox(language.displayName(), this);
        box->setObjectName(QStringLiteral("lang-") + language.rawValue());
        box->setFont(ui::bodyFont());
        box->setChecked(selections_.languages.count(language) > 0);
        connect(box, &QCheckBox::toggled, this, [this, language](bool on) {
            if (on)
                selections_.languages.insert(language);
            else
                selections_.languages.erase(language);
            refresh();
        });
        auto* group = new QVBoxLayout;
        group->setSpacing(ui::spacing::hairline);
        group->addWidget(box);
        const std::optional<QString> caption = detector.detect(language).caption();
        ui::describe(box, language.displayName(), caption.value_or(s("Tick to install it")));
        if (caption) {
            QLabel* label = ui::captionLabel(*caption, this, QStringLiteral("lang-note-") + language.rawValue());
            label->setContentsMargins(ui::checkboxTextIndent(box), 0, 0, 0);
            group->addWidget(label);
        }
        layout->addLayout(group);
    }
}

std::vector<SetupRemediation> SpecialStageLayout::tickedLanguages() const
{
    return languageRemediations(selections_.languages);
}

// ---- project -------------------------------------------------------------------------

void SpecialStageLayout::buildProject(QVBoxLayout*)
{
    auto* choose = ui::plainButton(s("Choose my folder…"), QStringLiteral("choose-project-folder"), this);
    choose->setAccessibleDescription(s("Sets up the project in a folder you choose"));
    connect(choose, &QPushButton::clicked, this, [this] {
        const QString prompt =
            config_.spineCopy ? config_.spineCopy->projectFolderPrompt() : s("Choose a folder to work in");
        const std::optional<QString> folder = environment_.chooseFolder(window(), prompt, s("Choose"));
        if (!folder || folder->isEmpty())
            return;
        queue(QStringLiteral("project-choose"), s("Set up a project"),
              {SetupRemediation::createProject(ProjectTemplate::simple, *folder)}, true);
    });
    buttons_->addWidget(choose);
}

// ---- skills --------------------------------------------------------------------------

void SpecialStageLayout::buildSkills(QVBoxLayout* layout)
{
    const SkillFolderInstaller installer(*environment_.services().fs);
    // Developer-only skills are ticked at first only on a Mac with developer tooling.
    const bool developer = model_.profile() && model_.profile()->likelyDeveloper();
    const bool seed = !selections_.didSeedSkills;
    selections_.didSeedSkills = true;
    for (const AgentSkill& skill : AgentSkill::catalog()) {
        const bool present = installer.isInstalled(skill.slug);
        if (present)
            present_.insert(skill.slug);
        if (seed && !present && (skill.developerOnly ? developer : skill.preselected))
            selections_.skills.insert(skill.slug);
        QStringList notes{skill.badge};
        if (present)
            notes << s("Already installed");
        const QString slug = skill.slug;
        addChoice(layout, QStringLiteral("skill-") + slug, skill.displayName, notes, present,
                  selections_.skills.count(slug) > 0, [this, slug](bool on) {
                      if (on)
                          selections_.skills.insert(slug);
                      else
                          selections_.skills.erase(slug);
                  });
    }
    addBrowseLink(layout, s("Browse curated lists of more skills →"), QStringLiteral("skills-browse"));
}

std::vector<SetupRemediation> SpecialStageLayout::tickedSkills() const
{
    std::vector<SetupRemediation> ticked;
    for (const AgentSkill& skill : AgentSkill::catalog())
        if (selections_.skills.count(skill.slug) && !present_.count(skill.slug))
            ticked.push_back(SetupRemediation::installSkill(skill));
    return ticked;
}

// ---- MCP servers ---------------------------------------------------------------------

void SpecialStageLayout::buildMCP(QVBoxLayout* layout)
{
    const MCPConfigWriter writer(*environment_.services().fs);
    for (const MCPServer& server : MCPServer::catalog()) {
        const bool present = writer.isConfigured(server.slug);
        if (present)
            present_.insert(server.slug);
        QStringList notes{server.summary};
        if (server.disclosure)
            notes << *server.disclosure;
        if (present)
            notes << s("Already added");
        const QString slug = server.slug;
        const Choice choice = addChoice(layout, QStringLiteral("mcp-") + slug, server.displayName, notes, present,
                                        selections_.mcp.count(slug) > 0, [this, slug](bool on) {
                                            if (on)
                                                selections_.mcp.insert(slug);
                                            else
                                                selections_.mcp.erase(slug);
                                        });
        if (present || !server.connection.keyURLTemplate)
            continue;

        auto* keyRow = new QHBoxLayout;
        keyRow->setContentsMargins(ui::checkboxTextIndent(choice.box), 0, 0, 0);
        keyRow->setSpacing(ui::spacing::tight);
        auto* key = new QLineEdit(this);
        key->setObjectName(QStringLiteral("mcp-key-") + slug);
        key->setPlaceholderText(s("API key (optional — unlocks full features)"));
        key->setEchoMode(QLineEdit::Password);
        key->setText(selections_.mcpAPIKeys[slug]);
        ui::describe(key, s("API key for ") + server.displayName, key->placeholderText());
        auto* show = ui::plainButton(s("Show"), QStringLiteral("mcp-key-show-") + slug, this);
        ui::describe(show, s("Show key"), s("Shows or hides the key as you type it"));
        connect(show, &QPushButton::clicked, this, [key, show] {
            const bool hidden = key->echoMode() == QLineEdit::Password;
            key->setEchoMode(hidden ? QLineEdit::Normal : QLineEdit::Password);
            show->setText(hidden ? s("Hide") : s("Show"));
            show->setAccessibleName(hidden ? s("Hide key") : s("Show key"));
        });
        // Typing a key means wanting the server.
        connect(key, &QLineEdit::textChanged, this, [this, slug, box = choice.box](const QString& text) {
            selections_.mcpAPIKeys[slug] = text;
            if (keyFrom(text))
                box->setChecked(true);
        });
        key->setMaximumWidth(340);
        keyRow->addWidget(key, 1);
        keyRow->addWidget(show);
        keyRow->addStretch();
        choice.lines->addLayout(keyRow);
    }
    addBrowseLink(layout, s("Browse curated lists of more MCP servers →"), QStringLiteral("mcp-browse"));
}

std::vector<SetupRemediation> SpecialStageLayout::tickedMCP() const
{
    std::vector<SetupRemediation> ticked;
    for (const MCPServer& server : MCPServer::catalog()) {
        if (!selections_.mcp.count(server.slug) || present_.count(server.slug))
            continue;
        const auto key = selections_.mcpAPIKeys.find(server.slug);
        ticked.push_back(SetupRemediation::addMCPServer(
            server, key != selections_.mcpAPIKeys.end() ? keyFrom(key->second) : std::nullopt));
    }
    return ticked;
}

// ---- Git -----------------------------------------------------------------------------

void SpecialStageLayout::buildGit(QVBoxLayout* layout)
{
    const auto field = [this, layout](const QString& id, const QString& name, const QString& placeholder,
                                      QString& value) {
        auto* edit = new QLineEdit(value, this);
        edit->setObjectName(id);
        edit->setPlaceholderText(placeholder);
        ui::describe(edit, name, s("Git records it with every commit you make"));
        edit->setMaximumWidth(360);
        edit->setFont(ui::bodyFont());
        connect(edit, &QLineEdit::textChanged, this, [this, &value](const QString& text) {
            value = text;
            gitError_->hide();
            refresh();
        });
        layout->addWidget(edit);
    };
    field(QStringLiteral("git-name"), s("Your name"), s("Your name"), selections_.gitName);
    field(QStringLiteral("git-email"), s("Your email"), s("you@example.com"), selections_.gitEmail);
    gitError_ = ui::captionLabel(QString(), this, QStringLiteral("git-error"));
    ui::setError(gitError_);
    gitError_->hide();
    layout->addWidget(gitError_);
    if (model_.probes() && model_.probes()->gitIdentitySet)
        layout->addWidget(ui::captionLabel(s("Your Git name and email are already set. Sign in to GitHub to finish."), this,
                               QStringLiteral("git-identity-set")));
    layout->addWidget(ui::linkLabel(s("Create a GitHub account →"), QUrl(hosts::githubSite() + s("/signup")), this,
                                    QStringLiteral("github-signup")));
}

std::optional<QString> SpecialStageLayout::gitRefusal() const
{
    const QString name = selections_.gitName.trimmed();
    const QString email = selections_.gitEmail.trimmed();
    // Git needs both to sign commits; one alone would be dropped without a word.
    if (name.isEmpty() != email.isEmpty())
        return s("Fill in both your name and your email, or leave both empty.");
    return GitIdentityInput::refusal(name, email);
}

std::vector<SetupRemediation> SpecialStageLayout::gitSteps() const
{
    const std::optional<SetupProbeBundle>& probes = model_.probes();
    const QString name = selections_.gitName.trimmed();
    const QString email = selections_.gitEmail.trimmed();
    std::vector<SetupRemediation> steps;
    if (!probes || !probes->ghPresent)
        steps.push_back(SetupRemediation::installGh());
    if (!name.isEmpty() && !email.isEmpty())
        steps.push_back(SetupRemediation::configureGit(name, email));
    if (!probes || !probes->ghAuthed)
        steps.push_back(SetupRemediation::githubAuth());
    return steps;
}

}  // namespace varnel
