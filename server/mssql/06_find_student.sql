-- ZEV on Microsoft SQL Server, step 6 of 10: finding a student by name. Runs after 05_accounts.sql (it
-- grants to the role zev_staff) and before 07_history.sql; it may be run again.

USE ZEV;
GO

-- Each student's full name folded for searching (lower case, ё read as е), kept by the trigger
-- below; the index answers a search for the beginning of a name with a seek.
IF OBJECT_ID(N'dbo.student_search', N'U') IS NULL
CREATE TABLE dbo.student_search (
    id_student  int NOT NULL PRIMARY KEY,
    fio_key     nvarchar(100) NOT NULL
);
GO
IF INDEXPROPERTY(OBJECT_ID(N'dbo.student_search'), N'student_search_key', 'IndexID') IS NULL
    CREATE INDEX student_search_key ON dbo.student_search(fio_key);
GO

CREATE OR ALTER TRIGGER dbo.s_fio_search ON dbo.s_fio AFTER INSERT, UPDATE, DELETE
AS
BEGIN
    SET NOCOUNT ON;
    DELETE k FROM dbo.student_search AS k
    WHERE k.id_student IN (SELECT id_student FROM deleted);
    INSERT INTO dbo.student_search (id_student, fio_key)
    SELECT id_student, LOWER(REPLACE(CAST(s_fio AS nvarchar(100)), N'ё', N'е')) FROM inserted;
END
GO

-- The students there were before the trigger.
INSERT INTO dbo.student_search (id_student, fio_key)
SELECT s.id_student, LOWER(REPLACE(CAST(s.s_fio AS nvarchar(100)), N'ё', N'е'))
FROM dbo.s_fio AS s
WHERE NOT EXISTS (SELECT 1 FROM dbo.student_search AS k WHERE k.id_student = s.id_student);
GO

-- The students whose name begins with the text (any letter case, ё and е alike) of the
-- faculties assigned to that member of staff: one row per group, form of education, academic
-- year and semester in which the selection cascade reaches the student, at most 100 rows.
CREATE OR ALTER PROCEDURE dbo.FindStudent
    @id_login int,
    @text nvarchar(100)
AS
-- result: id_student, s_fio, id_faculty, id_f_educ, p108, id_speciality, p25-2, id_a_year, p32, id_semester, p43, id_group, p20
BEGIN
    SET NOCOUNT ON;
    DECLARE @key nvarchar(100) = LOWER(REPLACE(LTRIM(RTRIM(ISNULL(@text, N''))), N'ё', N'е'));
    -- LIKE's own characters stand for themselves.
    DECLARE @pattern nvarchar(400) =
        REPLACE(REPLACE(REPLACE(@key, N'[', N'[[]'), N'%', N'[%]'), N'_', N'[_]') + N'%';
    SELECT TOP (100) s.id_student, s.s_fio, sf.id_faculty, sf.id_f_educ, fe.p108,
           sf.id_speciality, sf.[p25-2], y.id_a_year, y.p32, sem.id_semester, sem.p43,
           g.id_group, g.p20
    FROM dbo.student_search AS k
    INNER JOIN dbo.s_fio AS s ON s.id_student = k.id_student
    INNER JOIN dbo.s_g AS sg ON sg.id_student = k.id_student
    INNER JOIN dbo.[group] AS g ON g.id_group = sg.id_group
    INNER JOIN dbo.g_s AS gs ON gs.id_group = sg.id_group
    INNER JOIN dbo.Speciality_form AS sf ON sf.id_speciality = gs.id_speciality
    INNER JOIN dbo.user_faculty AS uf ON uf.faculty = sf.id_faculty AND uf.id_login = @id_login
    INNER JOIN dbo.f_educ AS fe ON fe.id_f_educ = sf.id_f_educ
    INNER JOIN dbo.g_r_y AS gry ON gry.id_group = sg.id_group
    INNER JOIN dbo.a_year AS y ON y.id_a_year = gry.id_a_year
    INNER JOIN dbo.Semester AS sem ON sem.id_rate = gry.id_rate
    WHERE @key <> N'' AND k.fio_key LIKE @pattern
    ORDER BY k.fio_key, s.s_fio, s.id_student, y.p32 DESC, sem.id_semester, sf.id_f_educ,
             sf.id_faculty;
END
GO

GRANT EXECUTE ON dbo.FindStudent TO zev_staff;
GO
