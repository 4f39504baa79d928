CREATE OR REPLACE PACKAGE BODY pkg_payroll AS

  g_period_id payroll_periods.period_id%TYPE;

  PROCEDURE set_period(p_period_id IN NUMBER) IS
  BEGIN
    g_period_id := p_period_id;
  END set_period;

  PROCEDURE calculate(p_department_id IN NUMBER) IS
    CURSOR c_staff IS
      SELECT employee_id, base_salary, hire_date, tax_class
        FROM employees
       WHERE department_id = p_department_id
         AND (leave_date IS NULL OR leave_date >= SYSDATE);

    l_gross NUMBER;
    l_tax   NUMBER;

    FUNCTION overtime_pay(p_employee_id IN NUMBER, p_base IN NUMBER) RETURN NUMBER IS
      CURSOR c_hours IS
        SELECT SUM(hours) AS hours
          FROM timesheets
         WHERE employee_id = p_employee_id
           AND period_id = g_period_id
           AND kind = 'OVERTIME';
      l_hours NUMBER;
    BEGIN
      OPEN c_hours;
      FETCH c_hours INTO l_hours;
      IF l_hours IS NULL THEN
        RETURN 0;
      END IF;
      RETURN ROUND(l_hours * p_base / 160 * 1.25, 2);
    END overtime_pay;

    FUNCTION seniority_bonus(p_hire_date IN DATE, p_base IN NUMBER) RETURN NUMBER IS
      l_years NUMBER := TRUNC(MONTHS_BETWEEN(SYSDATE, p_hire_date) / 12);
    BEGIN
      RETURN CASE
               WHEN l_years >= 20 THEN p_base * 0.06
               WHEN l_years >= 10 THEN p_base * 0.04
               WHEN l_years >= 5 THEN p_base * 0.02
               ELSE 0
             END;
    END seniority_bonus;

    FUNCTION income_tax(p_gross IN NUMBER, p_class IN VARCHAR2) RETURN NUMBER IS
      CURSOR c_rate(cp_class VARCHAR2, cp_amount NUMBER) IS
        SELECT rate
          FROM tax_brackets
         WHERE tax_class = cp_class
           AND cp_amount BETWEEN lower_bound AND upper_bound;
      l_rate NUMBER;
    BEGIN
      OPEN c_rate(p_class, p_gross);
      FETCH c_rate INTO l_rate;
      CLOSE c_rate;
      RETURN ROUND(p_gross * NVL(l_rate, 0), 2);
    END income_tax;

  BEGIN
    IF g_period_id IS NULL THEN
      raise_application_error(-20300, 'Call set_period before calculate');
    END IF;

    FOR r IN c_staff LOOP
      l_gross := r.base_salary
               + overtime_pay(r.employee_id, r.base_salary)
               + seniority_bonus(r.hire_date, r.base_salary);
      l_tax := income_tax(l_gross, r.tax_class);

      INSERT INTO payslips (period_id, employee_id, gross, tax, net)
      VALUES (g_period_id, r.employee_id, l_gross, l_tax, l_gross - l_tax);
    END LOOP;
  END calculate;

  PROCEDURE approve(p_department_id IN NUMBER) IS
  BEGIN
    UPDATE payslips p
       SET p.status = 'APPROVED'
     WHERE p.period_id = g_period_id
       AND p.employee_id IN (SELECT e.employee_id FROM employees e WHERE e.department_id = p_department_id);
  END approve;

END pkg_payroll;
/
