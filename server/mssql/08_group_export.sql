-- ZEV on Microsoft SQL Server, step 8 of 10: the export and the printed sheet of a group's
-- electives. Runs after 05_accounts.sql (it grants to the role zev_staff) and before
-- 09_stream_capacity.sql; it may be run again. Both procedures only read.

USE ZEV;
GO

-- Every elective place of every present member of the group in the curriculum of that speciality,
-- year and semester, with the names of what is chosen for it (NULL where nothing is): by student
-- name, then as the electives grid orders one student's places.
CREATE OR ALTER PROCEDURE dbo.GetGroupElectives
    @id_speciality int,
    @id_a_year int,
    @id_semester int,
    @id_group int
AS
-- result: id_student, s_fio, id_disciplineForStudent, descGroupNum, p30, id_discipline, p34, id_teacher, t_fio, subgroup, id_a_year, p32, id_semester, p43
BEGIN
    SET NOCOUNT ON;
    SELECT s.id_student, s.s_fio, d.id_disciplineForStudent, d.descGroupNum, d.p30,
           d.id_discipline, dsc.p34, d.id_teacher,
           te.p26 + ' ' + te.p27 + ' ' + te.p28 AS t_fio,
           d.subgroup, d.id_a_year, y.p32, d.id_semester, sem.p43
    FROM dbo.s_g AS sg
    INNER JOIN dbo.s_fio AS s ON s.id_student = sg.id_student
    INNER JOIN dbo.DisciplineForStudent AS d ON d.id_student = sg.id_student
        AND d.plan_a_year = @id_a_year AND d.plan_semester = @id_semester
        AND d.id_speciality = @id_speciality AND d.id_group = sg.id_group
    LEFT JOIN dbo.discipline AS dsc ON dsc.id_discipline = d.id_discipline
    LEFT JOIN dbo.teacher AS te ON te.id_teacher = d.id_teacher
    LEFT JOIN dbo.a_year AS y ON y.id_a_year = d.id_a_year
    LEFT JOIN dbo.Semester AS sem ON sem.id_semester = d.id_semester
    WHERE sg.id_group = @id_group
    ORDER BY s.s_fio, s.id_student, d.descGroupNum, d.id_disciplineForStudent;
END
GO

-- The groups the selection cascade offers under that faculty, academic year and semester, of
-- every form of education and speciality, each once with its speciality; nothing when the
-- faculty is not assigned to that member of staff.
CREATE OR ALTER PROCEDURE dbo.GetFacultyGroups
    @id_login int,
    @id_faculty int,
    @id_a_year int,
    @id_semester int
AS
-- result: id_speciality, p25-2, id_group, p20
BEGIN
    SET NOCOUNT ON;
    SELECT gs.id_speciality, MIN(sf.[p25-2]) AS [p25-2], g.id_group, g.p20
    FROM dbo.Speciality_form AS sf
    INNER JOIN dbo.user_faculty AS uf ON uf.faculty = sf.id_faculty AND uf.id_login = @id_login
    INNER JOIN dbo.g_s AS gs ON gs.id_speciality = sf.id_speciality
    INNER JOIN dbo.[group] AS g ON g.id_group = gs.id_group
    INNER JOIN dbo.g_r_y AS gry ON gry.id_group = gs.id_group AND gry.id_a_year = @id_a_year
    INNER JOIN dbo.Semester AS sem ON sem.id_rate = gry.id_rate AND sem.id_semester = @id_semester
    WHERE sf.id_faculty = @id_faculty
    GROUP BY gs.id_speciality, g.id_group, g.p20
    ORDER BY MIN(sf.[p25-2]), g.p20, g.id_group;
END
GO

GRANT EXECUTE ON dbo.GetGroupElectives TO zev_staff;
GRANT EXECUTE ON dbo.GetFacultyGroups TO zev_staff;
GO
