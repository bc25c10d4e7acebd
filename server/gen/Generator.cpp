#include "server/gen/Generator.h"

#include "core/SettingsFile.h"

#include "core/Errors.h"
#include "server/Catalog.h"
#include "server/engine/Database.h"
#include "server/engine/SchemaUpgrade.h"
#include "server/engine/SignIn.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>

#include <map>
#include <random>
#include <tuple>

namespace zev::server {

namespace {

// How much of everything a database holds.
struct Shape {
    int faculties;
    int specialitiesPerFaculty;
    int studentsPerGroup;
    int placesPerSemester;  // groups of alternatives per semester of a curriculum
    int alternatives;       // disciplines per group of alternatives
    int kafedrasPerFaculty;
    int teachersPerKafedra;
    int disciplinesPerKafedra;
};

constexpr Shape kDemo{3, 2, 6, 4, 3, 2, 4, 6};
constexpr Shape kUniversity{10, 10, 34, 9, 3, 5, 40, 30};

constexpr int kYears = 3;    // academic years 1..3
constexpr int kCohorts = 6;  // a cohort c is in course (rate) y - c + 4 in year y (1-based)

const char* const kMaleSurnames[] = {
    "Иванов",  "Смирнов", "Кузнецов", "Попов",    "Васильев", "Петров",    "Соколов", "Михайлов",
    "Новиков", "Фёдоров", "Морозов",  "Волков",   "Алексеев", "Лебедев",   "Семёнов", "Егоров",
    "Павлов",  "Козлов",  "Степанов", "Николаев", "Орлов",    "Андреев",   "Макаров", "Никитин",
    "Захаров", "Зайцев",  "Соловьёв", "Борисов",  "Яковлев",  "Григорьев", "Романов", "Воробьёв"};
const char* const kMaleNames[] = {"Александр", "Дмитрий", "Максим", "Сергей", "Андрей", "Алексей",
                                  "Артём",     "Илья",    "Кирилл", "Михаил", "Никита", "Матвей",
                                  "Роман",     "Егор",    "Иван",   "Павел"};
const char* const kFemaleNames[] = {
    "Анастасия", "Мария", "Анна",   "Виктория", "Екатерина", "Наталья", "Марина", "Полина",
    "Дарья",     "Алина", "Ксения", "Елена",    "Ольга",     "Татьяна", "Юлия",   "Софья"};
const char* const kFathers[] = {"Александров", "Дмитриев",   "Сергеев",  "Андреев",
                                "Алексеев",    "Михайлов",   "Иванов",   "Николаев",
                                "Петров",      "Владимиров", "Викторов", "Олегов",
                                "Юрьев",       "Павлов",     "Романов",  "Борисов"};
const char* const kFacultyNames[] = {"Факультет информационных технологий",
                                     "Экономический факультет",
                                     "Гуманитарный факультет",
                                     "Физико-математический факультет",
                                     "Юридический факультет",
                                     "Факультет иностранных языков",
                                     "Химико-биологический факультет",
                                     "Инженерно-строительный факультет",
                                     "Факультет психологии",
                                     "Исторический факультет"};
const char* const kSpecialityNames[] = {"09.03.01 Информатика и вычислительная техника",
                                        "09.03.04 Программная инженерия",
                                        "38.03.01 Экономика",
                                        "38.03.02 Менеджмент",
                                        "45.03.02 Лингвистика",
                                        "42.03.02 Журналистика",
                                        "01.03.02 Прикладная математика и информатика",
                                        "03.03.02 Физика",
                                        "40.03.01 Юриспруденция",
                                        "45.03.01 Филология"};
const char* const kSpecialityCodes[] = {"ИВТ", "ПИ", "ЭК", "МН", "ЛН",
                                        "ЖР",  "ПМ", "ФЗ", "ЮР", "ФЛ"};
const char* const kKafedraNames[] = {
    "Кафедра программного обеспечения", "Кафедра вычислительной техники",
    "Кафедра экономической теории",     "Кафедра финансов и кредита",
    "Кафедра русского языка",           "Кафедра иностранных языков",
    "Кафедра высшей математики",        "Кафедра общей физики",
    "Кафедра гражданского права",       "Кафедра истории"};
const char* const kDisciplineStems[] = {"Базы данных",
                                        "Компьютерная графика",
                                        "Web-программирование",
                                        "Теория алгоритмов",
                                        "Мировая экономика",
                                        "Маркетинг",
                                        "Деловой иностранный язык",
                                        "Стилистика",
                                        "Дискретная математика",
                                        "Численные методы",
                                        "Квантовая механика",
                                        "Римское право",
                                        "История России",
                                        "Философия науки",
                                        "Психология общения",
                                        "Социология",
                                        "Основы предпринимательства",
                                        "Культурология",
                                        "Экология",
                                        "Теория вероятностей"};
const char* const kPlanCodes[] = {"Б1.В.ДВ.01", "Б1.В.ДВ.02", "Б1.В.ДВ.03", "Б1.В.ДВ.04",
                                  "Б1.В.ДВ.05", "Б1.В.ДВ.06", "Б1.В.ДВ.07", "Б1.В.ДВ.08",
                                  "Б1.В.ДВ.09", "Б1.В.ДВ.10"};

template <size_t N>
QString pick(const char* const (&list)[N], std::mt19937& rng) {
    return QString::fromUtf8(list[rng() % N]);
}

// A stream key: discipline, teacher, examination, year, half-year code, form of education code.
using StreamKey = std::tuple<int, int, int, int, int, int>;

class Generator {
public:
    Generator(Database& db, const Shape& shape, quint32 seed, bool demo)
        : db_(db), shape_(shape), rng_(seed), demo_(demo) {}

    void run() {
        calendar();
        faculties();
        staff();
        disciplines();
        groupsAndStudents();
        accounts();
    }

private:
    void insert(const char* sql, const std::vector<Value>& values) {
        db_.execute(QString::fromUtf8(sql), values);
    }

    QString personName(bool female) {
        const QString surname =
            pick(kMaleSurnames, rng_) + (female ? QStringLiteral("а") : QString());
        const QString name = female ? pick(kFemaleNames, rng_) : pick(kMaleNames, rng_);
        const QString father = pick(kFathers, rng_);
        return surname + u' ' + name + u' ' + father +
               (female ? QStringLiteral("на") : QStringLiteral("ич"));
    }

    void calendar() {
        const char* years[] = {"2023/2024", "2024/2025", "2025/2026"};
        for (int y = 1; y <= kYears; ++y) {
            insert("INSERT INTO a_year (id_a_year, p32) VALUES (?, ?)",
                   {std::int64_t{y}, QString::fromUtf8(years[y - 1])});
        }
        for (int r = 1; r <= 4; ++r) {
            insert("INSERT INTO rate (id_rate, name) VALUES (?, ?)",
                   {std::int64_t{r}, QStringLiteral("%1 курс").arg(r)});
        }
        for (int s = 1; s <= 8; ++s) {
            insert("INSERT INTO Semester (id_semester, p43, id_w_s, id_rate) VALUES (?, ?, ?, ?)",
                   {std::int64_t{s}, QStringLiteral("%1 семестр").arg(s),
                    std::int64_t{s % 2 ? 2 : 1}, std::int64_t{(s + 1) / 2}});
        }
        const char* exams[] = {"Экзамен", "Зачёт", "Дифференцированный зачёт"};
        for (int e = 1; e <= 3; ++e) {
            insert("INSERT INTO examination (id_examination, name) VALUES (?, ?)",
                   {std::int64_t{e}, QString::fromUtf8(exams[e - 1])});
        }
        insert("INSERT INTO f_educ (id_f_educ, p108) VALUES (1, 'Очная')", {});
        insert("INSERT INTO f_educ (id_f_educ, p108) VALUES (2, 'Заочная')", {});
        insert("INSERT INTO f_educ (id_f_educ, p108) VALUES (3, 'Очно-заочная')", {});
        insert("INSERT INTO ObemChasov (id_obem_chasov, n_obem_chasov) VALUES (1, '7200 ч.')", {});
        insert("INSERT INTO ObemChasov (id_obem_chasov, n_obem_chasov) VALUES (2, '8640 ч.')", {});
    }

    // Faculties teach full-time; every other faculty also part-time (its own stream code).
    void faculties() {
        for (int f = 1; f <= shape_.faculties; ++f) {
            insert("INSERT INTO Faculty (id_faculty, \"p23-1\") VALUES (?, ?)",
                   {std::int64_t{f}, QString::fromUtf8(kFacultyNames[(f - 1) % 10])});
            const int forms = f % 2 ? 2 : 1;
            for (int form = 1; form <= forms; ++form) {
                insert("INSERT INTO com_sfe (id_faculty, id_f_educ, o_z) VALUES (?, ?, ?)",
                       {std::int64_t{f}, std::int64_t{form}, std::int64_t{form}});
                for (int s = 0; s < shape_.specialitiesPerFaculty; ++s) {
                    const int speciality = (f - 1) * shape_.specialitiesPerFaculty + s + 1;
                    // The last speciality names a volume of hours that ObemChasov does not hold.
                    const std::int64_t hours = speciality % 5 == 0 ? 9 : 1 + speciality % 2;
                    insert(
                        "INSERT INTO Speciality_form (id_speciality, \"p25-2\", id_obem_chasov, "
                        "id_faculty, id_f_educ) VALUES (?, ?, ?, ?, ?)",
                        {std::int64_t{speciality}, specialityName(speciality), hours,
                         std::int64_t{f}, std::int64_t{form}});
                    forms_.push_back({speciality, f, form});
                }
            }
        }
    }

    QString specialityName(int speciality) const {
        const QString base = QString::fromUtf8(kSpecialityNames[(speciality - 1) % 10]);
        return speciality <= 10
                   ? base
                   : base + QStringLiteral(" (профиль %1)").arg((speciality - 1) / 10 + 1);
    }

    // Departments, teachers with their positions (kinds 1 to 4), disciplines of each department.
    void staff() {
        int teacher = 0;
        const int kafedras = shape_.faculties * shape_.kafedrasPerFaculty;
        for (int k = 1; k <= kafedras; ++k) {
            const QString name =
                QString::fromUtf8(kKafedraNames[(k - 1) % 10]) +
                (k <= 10 ? QString() : QStringLiteral(" №%1").arg((k - 1) / 10 + 1));
            insert("INSERT INTO kafedra (id_kafedra, f1, id_faculty) VALUES (?, ?, ?)",
                   {std::int64_t{k}, name, std::int64_t{(k - 1) / shape_.kafedrasPerFaculty + 1}});
            for (int t = 0; t < shape_.teachersPerKafedra; ++t) {
                ++teacher;
                const bool female = rng_() % 2;
                const QStringList parts = personName(female).split(u' ');
                insert("INSERT INTO teacher (id_teacher, p26, p27, p28) VALUES (?, ?, ?, ?)",
                       {std::int64_t{teacher}, parts[0], parts[1], parts[2]});
                insert("INSERT INTO pps (id_teacher, id_kafedra, kind) VALUES (?, ?, ?)",
                       {std::int64_t{teacher}, std::int64_t{k}, std::int64_t{1 + t % 4}});
                teachersOf_[k].push_back(teacher);
            }
        }
        // A few teachers also hold an hourly position in the neighbouring department.
        for (int k = 1; k <= kafedras; ++k) {
            const int neighbour = k % kafedras + 1;
            const int guest = teachersOf_[neighbour].front();
            insert("INSERT INTO pps (id_teacher, id_kafedra, kind) VALUES (?, ?, 4)",
                   {std::int64_t{guest}, std::int64_t{k}});
            teachersOf_[k].push_back(guest);
        }
    }

    void disciplines() {
        int id = 0;
        const int kafedras = shape_.faculties * shape_.kafedrasPerFaculty;
        for (int k = 1; k <= kafedras; ++k) {
            for (int d = 0; d < shape_.disciplinesPerKafedra; ++d) {
                ++id;
                const QString stem = QString::fromUtf8(kDisciplineStems[(id - 1) % 20]);
                const int edition = (id - 1) / 20;
                const QString name =
                    edition == 0 ? stem : stem + QStringLiteral(" %1").arg(edition + 1);
                insert("INSERT INTO discipline (id_discipline, p34) VALUES (?, ?)",
                       {std::int64_t{id}, name});
                disciplines_.push_back({id, k, 1 + static_cast<int>(rng_() % 3)});
            }
        }
    }

    struct Discipline {
        int id, kafedra, examination;
    };
    struct Form {
        int speciality, faculty, form;
    };
    struct Place {
        int descGroupNum;
        QString code;
        std::vector<Discipline> alternatives;
        bool fixed;
    };

    // The curriculum of a speciality for one year and semester: groups of alternatives, the first
    // of them a place fixed to one discipline.
    const std::vector<Place>& plan(int speciality, int year, int semester) {
        const auto key = std::make_tuple(speciality, year, semester);
        if (auto it = plans_.find(key); it != plans_.end()) {
            return it->second;
        }
        std::vector<Place>& places = plans_[key];
        for (int p = 0; p < shape_.placesPerSemester; ++p) {
            Place place{++descGroupNum_, QString::fromUtf8(kPlanCodes[p % 10]), {}, p == 0};
            const int count = place.fixed ? 1 : shape_.alternatives;
            for (int a = 0; a < count; ++a) {
                const Discipline& d = disciplines_[rng_() % disciplines_.size()];
                place.alternatives.push_back(d);
                insert(
                    "INSERT INTO plan_elective (id_speciality, id_a_year, id_semester, "
                    "descGroupNum, id_discipline, id_kafedra, id_examination, Krdt) "
                    "VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                    {std::int64_t{speciality}, std::int64_t{year}, std::int64_t{semester},
                     std::int64_t{place.descGroupNum}, std::int64_t{d.id}, std::int64_t{d.kafedra},
                     std::int64_t{d.examination}, std::int64_t{2 + static_cast<int>(rng_() % 4)}});
            }
            places.push_back(std::move(place));
        }
        return places;
    }

    // A stream of the discipline in that year and half-year for the form of education; made when
    // first needed, with one or two stream numbers.
    std::pair<int, int> stream(const Discipline& d, int year, int semester, int oz) {
        const int ws = semester % 2 ? 2 : 1;
        const auto& teachers = teachersOf_[d.kafedra];
        // Each discipline has two teachers; each year and half-year one of them teaches it.
        const int teacher = teachers[(static_cast<size_t>(d.id) + rng_() % 2) % teachers.size()];
        const StreamKey key{d.id, teacher, d.examination, year, ws, oz};
        auto it = streams_.find(key);
        if (it == streams_.end()) {
            const int count = 1 + static_cast<int>(rng_() % 2);
            std::vector<int> numbers;
            for (int n = 1; n <= count; ++n) {
                const int number = oz * 100 + n;
                numbers.push_back(number);
                insert(
                    "INSERT INTO RRNKkrdt (id_kafedra, id_teacher, id_discipline, id_examination, "
                    "id_a_year, id_w_s, subgroup, id_o_z, id_semester, prov_reyt, plan_fakt, "
                    "id_type_chasov) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 1, 1, 2)",
                    {std::int64_t{d.kafedra}, std::int64_t{teacher}, std::int64_t{d.id},
                     std::int64_t{d.examination}, std::int64_t{year}, std::int64_t{ws},
                     std::int64_t{number}, std::int64_t{oz}, std::int64_t{semester}});
            }
            it = streams_.emplace(key, numbers).first;
        }
        return {teacher, it->second[rng_() % it->second.size()]};
    }

    void groupsAndStudents() {
        int group = 0;
        int student = 0;
        for (const Form& f : forms_) {
            for (int cohort = 0; cohort < kCohorts; ++cohort) {
                ++group;
                const int entry = 2020 + cohort;
                const QString name =
                    QString::fromUtf8(kSpecialityCodes[(f.speciality - 1) % 10]) +
                    (f.form == 2 ? QStringLiteral("з") : QString()) +
                    QStringLiteral("-%1").arg(entry % 100) +
                    (f.speciality > 10 ? QStringLiteral("/%1").arg(f.speciality) : QString());
                insert("INSERT INTO \"group\" (id_group, p20) VALUES (?, ?)",
                       {std::int64_t{group}, name});
                insert("INSERT INTO g_s (id_group, id_speciality) VALUES (?, ?)",
                       {std::int64_t{group}, std::int64_t{f.speciality}});
                std::vector<std::pair<int, int>> years;  // (year, rate)
                for (int y = 1; y <= kYears; ++y) {
                    const int rate = y - cohort + 4;
                    if (rate >= 1 && rate <= 4) {
                        insert("INSERT INTO g_r_y (id_group, id_rate, id_a_year) VALUES (?, ?, ?)",
                               {std::int64_t{group}, std::int64_t{rate}, std::int64_t{y}});
                        years.emplace_back(y, rate);
                    }
                }
                for (int s = 0; s < shape_.studentsPerGroup; ++s) {
                    ++student;
                    insert("INSERT INTO s_fio (id_student, s_fio) VALUES (?, ?)",
                           {std::int64_t{student}, personName(rng_() % 2)});
                    insert("INSERT INTO s_g (id_student, id_group) VALUES (?, ?)",
                           {std::int64_t{student}, std::int64_t{group}});
                    electives(student, group, f, years, s);
                }
            }
        }
    }

    // The student's elective places for every year the group studies. Places show every state a
    // row can be in: fixed, free, chosen with a stream, chosen without one, moved to another
    // semester or year, and two disciplines taken from one group of alternatives.
    void electives(int student, int group, const Form& f,
                   const std::vector<std::pair<int, int>>& years, int index) {
        const QStringList users = {QStringLiteral("ivanova"), QStringLiteral("petrov")};
        for (const auto& [year, rate] : years) {
            for (int semester = 2 * rate - 1; semester <= 2 * rate; ++semester) {
                const std::vector<Place>& places = plan(f.speciality, year, semester);
                for (size_t p = 0; p < places.size(); ++p) {
                    const Place& place = places[p];
                    const int rows = p == 1 ? 2 : 1;  // two disciplines from the second group
                    for (int r = 0; r < rows; ++r) {
                        const Discipline& d = place.alternatives[(static_cast<size_t>(r) + rng_()) %
                                                                 place.alternatives.size()];
                        const int roll = static_cast<int>(rng_() % 10);
                        const bool chosen = place.fixed || roll < 7 || (demo_ && index == 0);
                        int rowYear = year;
                        int rowSemester = semester;
                        if (chosen && p == 2 && semester % 2 == 1) {
                            rowSemester = semester + 1;  // taken in the following semester
                        } else if (chosen && p == 3 && year < kYears && rate < 4) {
                            rowYear = year + 1;  // taken a year later, in the same half-year
                            rowSemester = semester + 2;
                        }
                        Value discipline, teacher, subgroup, examination, user;
                        if (chosen) {
                            discipline = std::int64_t{d.id};
                            examination = std::int64_t{d.examination};
                            user = users[static_cast<int>(rng_() % 2)];
                            // The last place of the first student of a group keeps no stream.
                            if (!(p + 1 == places.size() && index == 0)) {
                                const auto [t, number] = stream(d, rowYear, rowSemester, f.form);
                                teacher = std::int64_t{t};
                                subgroup = std::int64_t{number};
                            } else {
                                teacher = std::int64_t{teachersOf_[d.kafedra].front()};
                            }
                        }
                        insert(
                            "INSERT INTO DisciplineForStudent (id_student, id_speciality, "
                            "plan_a_year, plan_semester, id_group, descGroupNum, "
                            "fixed_discipline, p30, id_discipline, id_teacher, ZEV_user, "
                            "id_examination, subgroup, id_semester, id_a_year) "
                            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                            {std::int64_t{student}, std::int64_t{f.speciality}, std::int64_t{year},
                             std::int64_t{semester}, std::int64_t{group},
                             std::int64_t{place.descGroupNum},
                             place.fixed ? Value{std::int64_t{d.id}} : Value{}, place.code,
                             discipline, teacher, user, examination, subgroup,
                             std::int64_t{rowSemester}, std::int64_t{rowYear}});
                        if (chosen && !isNull(subgroup) && rowYear == year &&
                            rowSemester == semester && p < 2) {
                            chosenDiscipline(student, year, semester, d,
                                             std::get<std::int64_t>(teacher),
                                             std::get<std::int64_t>(subgroup));
                        }
                        if (chosen && roll == 0 && semester > 1) {
                            insert(
                                "INSERT INTO Debts (id_semester, id_student, id_discipline) "
                                "VALUES (?, ?, ?)",
                                {std::int64_t{semester}, std::int64_t{student},
                                 std::int64_t{d.id}});
                        }
                    }
                }
            }
        }
    }

    void chosenDiscipline(int student, int year, int semester, const Discipline& d,
                          std::int64_t teacher, std::int64_t subgroup) {
        insert(
            "INSERT INTO DisciplineForStudent2 (id_student, id_a_year, id_semester, id_kafedra, "
            "id_discipline, id_teacher, subgroup) VALUES (?, ?, ?, ?, ?, ?, ?)",
            {std::int64_t{student}, std::int64_t{year}, std::int64_t{semester},
             std::int64_t{d.kafedra}, std::int64_t{d.id}, teacher, subgroup});
    }

    // Database accounts, staff logins for every sign-in outcome, releases of the client.
    void accounts() {
        insert("INSERT INTO db_account (name, password, signin_only) VALUES (?, ?, 1)",
               {QString::fromLatin1(kSignInUser), QString::fromLatin1(kSignInPassword)});
        insert("INSERT INTO db_account (name, password, signin_only) VALUES (?, ?, 0)",
               {QString::fromLatin1(kStaffUser), QString::fromLatin1(kStaffPassword)});
        const QDate today = QDateTime::currentDateTimeUtc().date();
        struct Staff {
            const char* login;
            const char* password;
            int changedDaysAgo;
            int mustChange;
            int locked;
            const char* note;
        };
        const Staff staff[] = {
            {"ivanova", "Demo2025", 0, 0, 0, "every faculty; signs in at once"},
            {"petrov", "Petrov15", 80, 0, 0, "password expires in 10 days: asked to change it"},
            {"sidorova", "Sidorova1", 120, 0, 0, "password expired: must change it"},
            {"smirnov", "Smirnov7", 5, 1, 0, "the administrator demands a password change"},
            {"kuznetsov", "Kuznetsov3", 0, 0, 1, "account locked"},
        };
        int id = 0;
        for (const Staff& s : staff) {
            ++id;
            insert(
                "INSERT INTO zev_login (id_login, login, pwd_digest, pwd_changed, "
                "pwd_max_age_days, must_change, locked, db_user) VALUES (?, ?, ?, ?, 90, ?, ?, ?)",
                {std::int64_t{id}, QString::fromLatin1(s.login),
                 passwordDigest(QString::fromLatin1(s.password)),
                 today.addDays(-s.changedDaysAgo).toString(Qt::ISODate), std::int64_t{s.mustChange},
                 std::int64_t{s.locked}, QString::fromLatin1(kStaffUser)});
            logins_.push_back({QString::fromLatin1(s.login), QString::fromLatin1(s.password),
                               QString::fromUtf8(s.note)});
            const int faculties = id == 1 ? shape_.faculties : 1;
            for (int f = 1; f <= faculties; ++f) {
                insert("INSERT INTO user_faculty (id_login, faculty) VALUES (?, ?)",
                       {std::int64_t{id},
                        std::int64_t{id == 1 ? f : 1 + (id - 1) % shape_.faculties}});
            }
        }
        insert(
            "INSERT INTO program_release (program, version, published) VALUES "
            "('ZEV 32', 1, '2025-09-01T00:00:00Z')",
            {});
        insert(
            "INSERT INTO program_release (program, version, published) VALUES "
            "('ZEV 32', 2, '2026-02-01T00:00:00Z')",
            {});
        // АУД-214 still has release 1: its next sign-in is told to update.
        insert(
            "INSERT INTO workstation_release (computer, program, version) VALUES "
            "('АУД-214', 'ZEV 32', 1)",
            {});
        insert(
            "INSERT INTO workstation_release (computer, program, version) VALUES "
            "('КАБ-101', 'ZEV 32', 2)",
            {});
    }

public:
    std::vector<DemoLogin> logins_;

private:
    Database& db_;
    Shape shape_;
    std::mt19937 rng_;
    bool demo_;
    std::vector<Form> forms_;
    std::map<int, std::vector<int>> teachersOf_;
    std::vector<Discipline> disciplines_;
    std::map<std::tuple<int, int, int>, std::vector<Place>> plans_;
    std::map<StreamKey, std::vector<int>> streams_;
    int descGroupNum_ = 0;
};

// The settings file: four texts of up to 20 characters, each stored one code lower.
void writeSettings(const QString& path, const QString& user, const QString& password,
                   const QString& server, const QString& catalog) {
    TFirstConnectInfo info;
    info.User = user;
    info.Password = password;
    info.Server = server;
    info.Catalog = catalog;
    WriteFirstConnectInfo(path, info);
}

// The demo's first stream of each discipline, teacher, year and half-year holds three places more
// than are taken; the others are unlimited. Run once the column exists (schema version 5).
void demoStreamCapacities(Database& db) {
    db.execute(QStringLiteral(
        "UPDATE RRNKkrdt SET capacity = 3 + (SELECT count(*) FROM DisciplineForStudent AS t "
        "JOIN Semester AS ts ON ts.id_semester = t.id_semester "
        "WHERE t.id_discipline = RRNKkrdt.id_discipline AND t.id_teacher = RRNKkrdt.id_teacher "
        "AND t.id_a_year = RRNKkrdt.id_a_year AND t.subgroup = RRNKkrdt.subgroup "
        "AND ts.id_w_s = RRNKkrdt.id_w_s) WHERE subgroup % 100 = 1"));
}

}  // namespace

GeneratedDatabase generateDatabase(const QString& folder, DatabaseSize size, quint32 seed) {
    QDir dir(folder);
    if (!dir.exists() && !QDir().mkpath(folder)) {
        throw Error(QStringLiteral("Cannot create the folder %1").arg(folder));
    }
    const bool demo = size == DatabaseSize::Demo;
    const QString fileName =
        demo ? QStringLiteral("zev-demo.sqlite") : QStringLiteral("zev-univ.sqlite");
    GeneratedDatabase result;
    result.databaseFile = QDir::cleanPath(dir.absoluteFilePath(fileName));
    result.settingsFile = QDir::cleanPath(dir.absoluteFilePath(QStringLiteral("ZEV")));
    QFile::remove(result.databaseFile);
    {
        Database db(result.databaseFile, Database::Mode::CreateNew);
        db.script(QStringLiteral("PRAGMA journal_mode = MEMORY; PRAGMA synchronous = OFF;"));
        db.script(QString::fromUtf8(schemaSql()));
        Transaction transaction(db);
        Generator generator(db, demo ? kDemo : kUniversity, seed, demo);
        generator.run();
        transaction.commit();
        // The objects of the later versions, among them the history triggers: the generated
        // rows are the state before anybody worked on them and have no history.
        upgradeSchema(db);
        if (demo) {
            demoStreamCapacities(db);
        }
        db.script(QStringLiteral("ANALYZE; PRAGMA journal_mode = DELETE;"));
        result.logins = generator.logins_;
    }
    writeSettings(result.settingsFile, QString::fromLatin1(kSignInUser),
                  QString::fromLatin1(kSignInPassword), fileName, QStringLiteral("ZEV"));
    return result;
}

}  // namespace zev::server
